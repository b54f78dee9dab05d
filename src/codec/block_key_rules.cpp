#include "codec/block_key_rules.h"

#include "base/device_text.h"
#include "codec/value_codec.h"

namespace vd {

namespace {

// The enable key of a destination key: "C3_D1" gives "COM3_ENABLEST".
std::string EnableKeyOf(const std::string &key) { return Format("COM%d_ENABLEST", AtoI(key.c_str() + 1)); }

// Sets or clears one bit of the row's byte, when the row and its block are
// there.
void SetRowBit(BlockSlots &blocks, const ConfigField *row, uint8_t bit, bool on) {
    if (!row || row->block >= kBlockSlots || !blocks[row->block]) return;
    SetBlockBit(*blocks[row->block], row->offset, bit, on);
}

}  // namespace

bool BlockWriteHook(const FieldTable &table, BlockSlots &blocks, const ConfigField &row, const std::string &text) {
    const std::string &name = row.name;
    const bool invalid = text == kInvalidValue;
    if (Contains(name, "_D1")) {
        SetRowBit(blocks, FindField(table, EnableKeyOf(name)), 0, !invalid);
        // "invalid" then goes on to the D2 and filter rules, and is stored
        // as the number 0.
        if (!invalid) return false;
    }
    if (Contains(name, "_D2")) {
        SetRowBit(blocks, FindField(table, EnableKeyOf(name)), 1, !invalid);
        // A switched-off D2 keeps its last value.
        return invalid;
    }
    if (Contains(name, "IPF")) {
        // "ENIPFILTER%d" finds no "ENIPFILTER0" and is stored by its own rule.
        const ConfigField *enable = FindField(table, Format("ENIPFILTER%d", AtoI(name.c_str() + 3)));
        if (enable) SetRowBit(blocks, enable, enable->bit, !invalid);
    }
    return false;
}

bool IsHiddenBlockKey(const std::string &key) { return Contains(key, "ENABLEST") || Contains(key, "ENIPFILTER"); }

bool FormatBlockValue(const DeviceRecord &info, const std::string &key, std::string &out) {
    int bit;
    if (Contains(key, "_D1"))
        bit = 0;
    else if (Contains(key, "_D2"))
        bit = 1;
    else
        return false;
    const int i = info.Find(EnableKeyOf(key));
    if (i < 0 || (AtoI(info.values[size_t(i)]) >> bit) & 1) return false;
    out = kInvalidValue;
    return true;
}

}  // namespace vd
