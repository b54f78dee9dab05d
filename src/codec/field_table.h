// The family B field table: which bytes of which 256-byte block every key
// stands for, and how they read and write as text. The device block (block
// 0) comes first, then one block per serial port p (block p + 1); the order
// of the rows is the order in which a received block's keys are handed out.
#ifndef VANDREL_CODEC_FIELD_TABLE_H
#define VANDREL_CODEC_FIELD_TABLE_H

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/text.h"

namespace vd {

constexpr size_t kBlockSize = 256;
// Block numbers index 32 slots; replies naming another block are ignored.
constexpr size_t kBlockSlots = 32;
constexpr int kMaxPorts = 8;

using Block = std::array<uint8_t, kBlockSize>;
// The last received copy of each block, by block number; empty until the
// block's first reply.
using BlockSlots = std::array<std::unique_ptr<Block>, kBlockSlots>;

enum class FieldKind : uint8_t {
    Bit = 0,
    Text = 1,
    Byte = 2,
    Word = 3,
    DWord = 4,
    IpAddress = 5,
    MacAddress = 6,
    IpRange = 7,
    HostOrIp = 8,
};

// The bit number of every kind but Bit.
constexpr uint8_t kNoBit = 255;

struct ConfigField {
    std::string name;
    uint8_t block;
    uint16_t offset;
    uint8_t width;
    uint8_t bit;
    FieldKind kind;
};

using FieldTable = std::vector<ConfigField>;

// Appends the device block rows and the rows of ports 1 to ports (at most
// kMaxPorts) to an empty table; a table that has rows is left alone.
void BuildFieldTable(FieldTable &table, int ports);

// The first row named exactly name, or null.
const ConfigField *FindField(const FieldTable &table, const std::string &name);

}  // namespace vd

#endif
