// BlockWrite: a write of changed blocks to one family B device, confirmed
// block by block. Each block is held twice: as it is to be written and as it
// was read before the write, so that a write that cannot be confirmed whole
// is undone by writing the earlier copies back. A block counts as written
// only when a reply of that device for it holds exactly the bytes sent.
#ifndef VANDREL_DEVICES_FAMILY_B_BLOCK_WRITE_H
#define VANDREL_DEVICES_FAMILY_B_BLOCK_WRITE_H

#include <map>
#include <string>

#include "devices/family_b/block_read.h"

namespace vd {

class BlockWrite {
public:
    explicit BlockWrite(std::string mac) : m_mac(std::move(mac)) {}

    void Add(uint8_t block, const Block &before, const Block &after);
    // The blocks to write, ascending.
    std::vector<uint8_t> Blocks() const;
    const Block &Before(uint8_t block) const { return m_blocks.at(block).before; }
    const Block &After(uint8_t block) const { return m_blocks.at(block).after; }

    // Takes a read-back reply: true when it shows that its block holds what
    // was written (the block then stays confirmed).
    bool Confirm(const BlockReply &reply);
    bool Confirmed(uint8_t block) const { return (m_confirmed & BlockBit(block)) != 0; }
    bool AllConfirmed() const;

private:
    struct Copies {
        Block before;
        Block after;
    };
    std::string m_mac;
    std::map<uint8_t, Copies> m_blocks;
    BlockMask m_confirmed = 0;
};

}  // namespace vd

#endif
