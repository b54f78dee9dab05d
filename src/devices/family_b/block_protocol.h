// The family B datagrams, broadcast to port 8801 and addressed by MAC. All
// begin with 00 02 00 02 and the target's six MAC bytes.
//   read request  (17):  start, A1 14 00 02, block, 00, FF
//   restart       (17):  a read request for block 81 (hex)
//   write request (274): start, A1 FE 01 03, block, 00, the 256 block bytes,
//                        00, FF
//   block reply   (271): start (the replying device's MAC), 4 bytes not
//                        examined, block, the 256 block bytes
// Note that a reply's block data starts one byte earlier than a write's.
#ifndef VANDREL_DEVICES_FAMILY_B_BLOCK_PROTOCOL_H
#define VANDREL_DEVICES_FAMILY_B_BLOCK_PROTOCOL_H

#include <cstdint>
#include <string>
#include <vector>

#include "codec/codec.h"

namespace vd {

constexpr uint32_t kBlockPort = 8801;
constexpr uint8_t kRestartBlock = 0x81;
constexpr size_t kBlockReplySize = 271;

using BlockDatagram = std::vector<uint8_t>;

// mac: "%x:%x:%x:%x:%x:%x" text; the low byte of each number is sent, and
// numbers that do not read give 0.
BlockDatagram ReadRequest(const std::string &mac, uint8_t block);
BlockDatagram RestartRequest(const std::string &mac);
BlockDatagram WriteRequest(const std::string &mac, uint8_t block, const Block &data);

struct BlockReply {
    std::string mac;  // "%02X:%02X:%02X:%02X:%02X:%02X" of the reply's MAC bytes
    uint8_t block = 0;
    Block data{};
};

// Reads a block reply. false for anything shorter than a whole reply or
// without the start bytes.
bool ParseBlockReply(const uint8_t *data, size_t len, BlockReply &out);

}  // namespace vd

#endif
