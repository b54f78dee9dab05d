// A family B read and a confirmed write in progress, fed a sequence of
// replies: each input byte is one event on the wire (a reply of the device
// for a block, again, late with the block as it was before the write, from
// another device, for a block not asked for, cut short, or nothing), so that
// duplicates, losses, reordering and late replies come in any order. Every
// reply goes through the parser as the bytes on the wire.
// What must hold: a read that completes holds exactly the device's blocks,
// each taken once, and nothing else; a write confirms a block only when the
// device holds what was written.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "devices/family_b/block_read.h"
#include "devices/family_b/block_write.h"

namespace {

constexpr uint8_t kModel[] = {0, 2, 3, 4, 5, 6, 7, 8, 9};  // the 8-port device
const char *const kMac = "02:56:44:12:01:05";
const uint8_t kMacBytes[6] = {0x02, 0x56, 0x44, 0x12, 0x01, 0x05};
const uint8_t kOtherMacBytes[6] = {0x02, 0x56, 0x44, 0x12, 0x01, 0x06};

vd::Block Contents(uint8_t block, uint8_t version) {
    vd::Block b{};
    for (size_t i = 0; i < b.size(); ++i) b[i] = uint8_t(block * 31 + i * 7 + version * 101);
    return b;
}

// A block reply as the device sends it.
std::array<uint8_t, vd::kBlockReplySize> Reply(const uint8_t *mac, uint8_t block, const vd::Block &data) {
    std::array<uint8_t, vd::kBlockReplySize> r{};
    const uint8_t start[4] = {0x00, 0x02, 0x00, 0x02};
    std::memcpy(r.data(), start, 4);
    std::memcpy(r.data() + 4, mac, 6);
    r[14] = block;
    std::memcpy(r.data() + 15, data.data(), data.size());
    return r;
}

struct Device {
    std::array<uint8_t, vd::kBlockSlots> version{};  // 0 as read, 1 once written
    vd::Block Holds(uint8_t block) const { return Contents(block, version[block]); }
};

// One event of byte e: which block (of the model, or one not in it), and
// what happens to its reply.
bool Event(uint8_t e, const Device &device, vd::BlockReply &out) {
    const uint8_t block = (e & 0x0F) < sizeof kModel ? kModel[e & 0x0F] : uint8_t(10 + (e & 0x0F));
    std::array<uint8_t, vd::kBlockReplySize> wire{};
    size_t length = wire.size();
    switch (e >> 4 & 0x7) {
        case 0: case 1: case 2: wire = Reply(kMacBytes, block, device.Holds(block)); break;
        case 3: wire = Reply(kMacBytes, block, Contents(block, 0)); break;  // late: as before the write
        case 4: wire = Reply(kOtherMacBytes, block, Contents(block, 7)); break;
        case 5: wire = Reply(kMacBytes, block, device.Holds(block)); length -= 1 + (e & 0x0F); break;
        default: return false;  // lost
    }
    return vd::ParseBlockReply(wire.data(), length, out);
}

vd::BlockMask ModelMask() {
    vd::BlockMask m = 0;
    for (uint8_t b : kModel) m |= vd::BlockBit(b);
    return m;
}

void Read(const uint8_t *data, size_t size, const Device &device) {
    vd::BlockRead read;
    read.Start(kMac, ModelMask());
    std::array<int, vd::kBlockSlots> taken{};
    std::array<vd::Block, vd::kBlockSlots> copies{};
    for (size_t i = 0; i < size && !read.Complete(); ++i) {
        vd::BlockReply reply;
        if (!Event(data[i], device, reply) || !read.Take(reply)) continue;
        if (reply.mac != kMac || !(ModelMask() & vd::BlockBit(reply.block))) __builtin_trap();
        ++taken[reply.block];
        copies[reply.block] = reply.data;
    }
    if (!read.Complete()) return;
    for (uint8_t b : kModel)
        if (taken[b] != 1 || copies[b] != device.Holds(b)) __builtin_trap();
}

// The blocks of the high bits of the first byte are written; a write event
// (bit 7 of an event byte) makes the device store the block it names.
void Write(const uint8_t *data, size_t size, Device &device) {
    vd::BlockWrite write(kMac);
    for (size_t i = 0; i < sizeof kModel; ++i)
        if (data[0] >> (i % 8) & 1) write.Add(kModel[i], Contents(kModel[i], 0), Contents(kModel[i], 1));
    for (size_t i = 1; i < size; ++i) {
        const uint8_t block = (data[i] & 0x0F) < sizeof kModel ? kModel[data[i] & 0x0F] : 0;
        if (data[i] & 0x80) device.version[block] = 1;
        vd::BlockReply reply;
        if (!Event(data[i] & 0x7F, device, reply)) continue;
        if (write.Confirm(reply) && device.version[reply.block] != 1) __builtin_trap();
    }
    for (uint8_t b : write.Blocks())
        if (write.Confirmed(b) && device.Holds(b) != Contents(b, 1)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    // A late reply carries what the device held when it was asked: during
    // the read, the same bytes; during the write, the bytes before it.
    Device device;
    Read(data + 1, size - 1, device);
    Write(data, size, device);
    return 0;
}
