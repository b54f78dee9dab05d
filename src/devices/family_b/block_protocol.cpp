#include "devices/family_b/block_protocol.h"

#include <algorithm>

#include "base/byte_reader.h"

namespace vd {

namespace {

constexpr uint8_t kStart[] = {0x00, 0x02, 0x00, 0x02};
constexpr uint8_t kReadCode[] = {0xA1, 0x14, 0x00, 0x02};
constexpr uint8_t kWriteCode[] = {0xA1, 0xFE, 0x01, 0x03};
constexpr size_t kMacBytes = 6;
constexpr size_t kCodeBytes = 4;

// start, MAC, the request's code, block number and a 00 byte.
BlockDatagram Header(const std::string &mac, const uint8_t (&code)[kCodeBytes], uint8_t block) {
    BlockDatagram d(std::begin(kStart), std::end(kStart));
    uint8_t bytes[kMacBytes];
    ParseMac(mac.c_str(), bytes);
    d.insert(d.end(), bytes, bytes + kMacBytes);
    d.insert(d.end(), std::begin(code), std::end(code));
    d.push_back(block);
    d.push_back(0x00);
    return d;
}

}  // namespace

BlockDatagram ReadRequest(const std::string &mac, uint8_t block) {
    BlockDatagram d = Header(mac, kReadCode, block);
    d.push_back(0xFF);
    return d;
}

BlockDatagram RestartRequest(const std::string &mac) { return ReadRequest(mac, kRestartBlock); }

BlockDatagram WriteRequest(const std::string &mac, uint8_t block, const Block &data) {
    BlockDatagram d = Header(mac, kWriteCode, block);
    d.insert(d.end(), data.begin(), data.end());
    d.push_back(0x00);
    d.push_back(0xFF);
    return d;
}

bool ParseBlockReply(const uint8_t *data, size_t len, BlockReply &out) {
    ByteReader reader(data, len);
    const uint8_t *start, *mac, *block;
    if (!reader.Has(kBlockReplySize) || !reader.Bytes(sizeof kStart, start) ||
        !std::equal(std::begin(kStart), std::end(kStart), start))
        return false;
    if (!reader.Bytes(kMacBytes, mac) || !reader.Skip(kCodeBytes) || !reader.U8(out.block) ||
        !reader.Bytes(kBlockSize, block))
        return false;
    out.mac = FormatMac(mac);
    std::copy(block, block + kBlockSize, out.data.begin());
    return true;
}

}  // namespace vd
