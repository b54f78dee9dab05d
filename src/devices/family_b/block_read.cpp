#include "devices/family_b/block_read.h"

namespace vd {

std::vector<uint8_t> BlocksOf(BlockMask mask) {
    std::vector<uint8_t> blocks;
    for (uint8_t b = 0; b < kBlockSlots; ++b)
        if (mask & BlockBit(b)) blocks.push_back(b);
    return blocks;
}

void BlockRead::Start(const std::string &mac, BlockMask wanted) {
    m_mac = mac;
    m_wanted = wanted;
    m_arrived = 0;
}

bool BlockRead::Take(const BlockReply &reply) {
    const BlockMask bit = BlockBit(reply.block);
    if (reply.mac != m_mac || !(Missing() & bit)) return false;
    m_arrived |= bit;
    return true;
}

}  // namespace vd
