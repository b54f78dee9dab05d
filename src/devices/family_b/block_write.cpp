#include "devices/family_b/block_write.h"

namespace vd {

void BlockWrite::Add(uint8_t block, const Block &before, const Block &after) {
    m_blocks[block] = {before, after};
    m_confirmed &= ~BlockBit(block);
}

std::vector<uint8_t> BlockWrite::Blocks() const {
    std::vector<uint8_t> blocks;
    for (const auto &entry : m_blocks) blocks.push_back(entry.first);
    return blocks;
}

bool BlockWrite::Confirm(const BlockReply &reply) {
    auto it = m_blocks.find(reply.block);
    if (reply.mac != m_mac || it == m_blocks.end() || reply.data != it->second.after) return false;
    m_confirmed |= BlockBit(reply.block);
    return true;
}

bool BlockWrite::AllConfirmed() const {
    for (const auto &entry : m_blocks)
        if (!Confirmed(entry.first)) return false;
    return true;
}

}  // namespace vd
