// BlockRead: which blocks a read of one family B device asked for and which
// have arrived. A read completes when every block asked for has arrived,
// whatever the number of replies: a block that arrives again, a block that
// was not asked for and another device's block are not taken, so that a
// duplicated datagram or a late reply never stands in for a missing block.
#ifndef VANDREL_DEVICES_FAMILY_B_BLOCK_READ_H
#define VANDREL_DEVICES_FAMILY_B_BLOCK_READ_H

#include <cstdint>
#include <string>
#include <vector>

#include "devices/family_b/block_protocol.h"

namespace vd {

// One bit per block number below kBlockSlots.
using BlockMask = uint32_t;

inline BlockMask BlockBit(uint8_t block) { return block < kBlockSlots ? BlockMask(1) << block : 0; }

// The block numbers of a mask, ascending.
std::vector<uint8_t> BlocksOf(BlockMask mask);

class BlockRead {
public:
    // A new read of the blocks of wanted from the device named by mac.
    void Start(const std::string &mac, BlockMask wanted);
    // true when the reply brings a block asked for that had not arrived yet.
    bool Take(const BlockReply &reply);
    BlockMask Missing() const { return m_wanted & ~m_arrived; }
    // true when the reply is of a block of this read that has arrived.
    bool Holds(const BlockReply &reply) const { return reply.mac == m_mac && (m_arrived & BlockBit(reply.block)); }
    bool Complete() const { return m_wanted != 0 && Missing() == 0; }
    BlockMask Wanted() const { return m_wanted; }

private:
    std::string m_mac;
    BlockMask m_wanted = 0;
    BlockMask m_arrived = 0;
};

}  // namespace vd

#endif
