// The family B value codec and write rules over one block. The first byte
// picks a row of the eight-port table, the text runs up to the next 0 byte,
// and the bytes after it are the block's start (the rest is 0). The row is
// decoded, the text stored through the write rules and decoded again;
// storing must never touch a byte of the block outside the row, except the
// enable bits that the rules maintain.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "codec/codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const vd::FieldTable table = [] {
        vd::FieldTable t;
        vd::BuildFieldTable(t, vd::kMaxPorts);
        return t;
    }();
    if (size < 1) return 0;
    const vd::ConfigField &row = table[data[0] % table.size()];
    const uint8_t *text = data + 1;
    const size_t rest = size - 1;
    const void *nul = std::memchr(text, 0, rest);
    const size_t textLength = nul ? size_t(static_cast<const uint8_t *>(nul) - text) : rest;
    const std::string value(reinterpret_cast<const char *>(text), textLength);

    vd::BlockSlots blocks;
    blocks[row.block] = std::make_unique<vd::Block>();
    vd::Block &block = *blocks[row.block];
    block.fill(0);
    if (nul) std::memcpy(block.data(), text + textLength + 1, std::min(rest - textLength - 1, vd::kBlockSize));
    const vd::Block before = block;

    if (vd::DecodeValue(row, block).size() > 40) __builtin_trap();
    if (!vd::BlockWriteHook(table, blocks, row, value)) vd::EncodeValue(row, value, block);
    for (size_t i = 0; i < vd::kBlockSize; ++i) {
        const bool inRow = i >= row.offset && i < size_t(row.offset) + row.width;
        // The enable bytes of a port (7) and of the filters (59).
        const bool enable = i == 7 || (row.block == 0 && i == 59);
        if (!inRow && !enable && block[i] != before[i]) __builtin_trap();
    }
    if (vd::DecodeValue(row, block).size() > 40) __builtin_trap();
    std::string out;
    vd::DeviceRecord info;
    info.Append(vd::Format("COM%d_ENABLEST", row.block > 1 ? row.block - 1 : 1), value);
    vd::FormatBlockValue(info, row.name, out);
    return 0;
}
