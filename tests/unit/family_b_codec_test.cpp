// The family B field table and value kinds: block bytes to text and text to
// block bytes, with the exact bytes stored.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "bytes.h"
#include "codec/codec.h"

using namespace vd;

namespace {

FieldTable TableFor(int ports) {
    FieldTable table;
    BuildFieldTable(table, ports);
    return table;
}

const ConfigField &Row(const char *name) {
    static const FieldTable table = TableFor(2);
    const ConfigField *row = FindField(table, name);
    if (!row) throw std::runtime_error(name);
    return *row;
}

// A block of fill with bytes at offset.
Block With(uint8_t fill, size_t offset = 0, const Bytes &bytes = {}) {
    Block b;
    b.fill(fill);
    std::copy(bytes.begin(), bytes.end(), b.begin() + long(offset));
    return b;
}

}  // namespace

TEST(FamilyBTable, EveryRowLiesInsideItsBlockAndFindIsExact) {
    const FieldTable table = TableFor(20);  // no more than eight ports
    EXPECT_EQ(table.back().name, "C8_CLI_IP4");
    for (const ConfigField &row : table) EXPECT_LE(row.offset + row.width, int(kBlockSize)) << row.name;
    for (const char *name : {"ip", "IP ", "VERSION", "C9_OP", ""}) EXPECT_EQ(FindField(table, name), nullptr) << name;
}

TEST(FamilyBDecode, EachKindFromItsBytes) {
    const struct { const char *name; size_t offset; Bytes bytes; const char *text; } cases[] = {
        {"ENIPFILTER1", 59, {0x05}, "1"}, {"ENIPFILTER2", 59, {0x05}, "0"}, {"ENIPFILTER3", 59, {0x05}, "1"},
        {"C1_BAUD", 10, {0x80, 0x00, 0x00, 0x00}, "-2147483648"},  // double words are signed
        {"C1_CLI_IP1", 96, {10, 0, 0, 1, 0, 'j', 'u', 'n', 'k'}, "10.0.0.1"},
        {"C1_CLI_IP1", 96, {10, 0, 0, 1, 10, 0, 0, 9, 0}, "10.0.0.1-10.0.0.9"},
        {"C1_CLI_IP1", 96, {0, 1, 1, 1, 1, 1, 1, 1, 0}, "invalid"},
        {"C1_CLI_IP1", 96, {'h', 'o', 's', 't', '.', 'l', 'a', 'n', 0}, "host.lan"},  // a dot makes it text
        {"C1_CLI_IP1", 96, {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0}, "97.98.99.100-101.102.103.104"},
        {"C1_CLI_IP1", 96, {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 0}, "abcdefghi"}};
    for (const auto &c : cases) EXPECT_EQ(DecodeValue(Row(c.name), With(0, c.offset, c.bytes)), c.text) << c.name;
    // Text without a terminator stops at its width; the last one ends with the block.
    const Block full = With('A');
    EXPECT_EQ(DecodeValue(Row("PASS"), full), std::string(16, 'A'));
    EXPECT_EQ(DecodeValue(Row("C1_CLI_IP4"), full), std::string(40, 'A'));
}

TEST(FamilyBEncode, EachKindChangesOnlyItsOwnBytes) {
    const struct { const char *name; std::string text; size_t offset; Bytes bytes; } cases[] = {
        {"C1_BAUD", "-2", 10, {0xFF, 0xFF, 0xFF, 0xFE}},
        {"WEB_PORT", "65537", 55, {0x00, 0x01}},  // numbers keep their low bits
        {"C2_DATAB", "300", 14, {0x2C}}, {"C2_DATAB", "eight", 14, {0x00}}, {"IP_MODE", " 7x", 54, {0x07}},
        {"MASK", "nonsense", 36, {0xFF, 0xFF, 0xFF, 0xFF}},
        // A bit is set only by a number whose low byte is 1.
        {"ENIPFILTER1", "257", 59, {0xEF}}, {"ENIPFILTER3", "2", 59, {0xEA}}, {"ENIPFILTER3", "invalid", 59, {0xEA}},
        {"MAC", "2:0:0:ab:cd:1ef", 48, {0x02, 0x00, 0x00, 0xAB, 0xCD, 0xEF}},
        {"MAC", "12:34", 48, {0x12, 0x34, 0, 0, 0, 0}},  // numbers that do not read give 0
        {"NAME", std::string(20, 'A'), 0, Cat(Bytes(15, 'A'), {0})},  // cut and terminated
        {"IPF3", "192.168.0.10,192.168.0.20", 80, {192, 168, 0, 10, 192, 168, 0, 20}},
        {"IPF1", "-1,2.2.2.2", 64, {0xFF, 0xFF, 0xFF, 0xFF, 2, 2, 2, 2}},  // a leading dash: the comma
        {"IPF1", "1.1.1.1-x", 64, {1, 1, 1, 1, 0xFF, 0xFF, 0xFF, 0xFF}},
        // Switched off: only the first byte changes.
        {"IPF3", "192.168.0.10", 80, {0x00}}, {"IPF3", "-192.168.0.20", 80, {0x00}}, {"IPF3", ",1.2.3.4", 80, {0x00}},
        {"C1_CLI_IP1", "192.168.1.5", 96, {0xC0, 0xA8, 0x01, 0x05, 0x00}},
        {"C1_CLI_IP2", "10.0.0.1-10.0.0.9", 136, {10, 0, 0, 1, 10, 0, 0, 9, 0}},
        {"C1_CLI_IP1", "1.2.3.4.5", 96, {0xFF, 0xFF, 0xFF, 0xFF, 0x00}},  // digits and dots, no address
        {"C1_CLI_IP4", std::string(45, 'h'), 216, Cat(Bytes(39, 'h'), {0})},
        // Four characters put the NUL at byte 4: the field then reads as an address.
        {"C1_CLI_IP1", "abcd", 96, {'a', 'b', 'c', 'd', 0}}};
    for (const auto &c : cases) {
        Block b = With(0xEE);
        EncodeValue(Row(c.name), c.text, b);
        EXPECT_EQ(b, With(0xEE, c.offset, c.bytes)) << c.name << " " << c.text;
    }
}

TEST(FamilyBCodec, RowsOutsideTheBlockAreRefused) {
    Block b = With(0x11);
    const ConfigField past = {"X", 0, 250, 8, kNoBit, FieldKind::IpRange};
    const ConfigField narrow = {"Y", 0, 0, 2, kNoBit, FieldKind::DWord};
    const ConfigField badBit = {"Z", 0, 0, 1, 9, FieldKind::Bit};
    for (const ConfigField *row : {&past, &narrow, &badBit}) {
        EXPECT_EQ(DecodeValue(*row, b), "");
        EncodeValue(*row, "1.2.3.4-5.6.7.8", b);
    }
    EXPECT_EQ(b, With(0x11));
}
