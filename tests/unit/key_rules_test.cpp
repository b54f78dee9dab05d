// The key rules of both families: hidden enable keys, destinations that read
// "invalid" while their enable bit is 0, the inverted "IP_MODE" of family A,
// and the enable bits kept when destinations and filter ranges are staged
// (family A) or written into a block (family B).
#include <gtest/gtest.h>

#include "codec/codec.h"

using namespace vd;

namespace {

DeviceRecord InfoWithEnable(const char *bits) {
    DeviceRecord info;
    info.Append("C1_D1", "5");
    if (bits) info.Append("COM1_ENABLEST", bits);
    return info;
}

// What the registry does when staging a key that is not staged yet.
void Stage(const DeviceRecord &info, DeviceRecord &staged, const CString &key, const CString &value) {
    if (!InterceptItemModify(info, staged, key, value)) staged.Append(key, value);
}

}  // namespace

TEST(KeyRules, BothFamiliesShowADestinationAsInvalidWhileItsBitIsClear) {
    const struct { const char *bits, *key; bool invalid; } cases[] = {
        {"1", "C1_D1", false}, {"1", "C1_D2", true}, {"2", "C1_D1", true}, {"2", "C1_D2", false},
        {"3", "C1_D1", false}, {"3", "C1_D2", false},
        {"1", "C2_D2", false},  // the port number after the C picks the enable key
        {nullptr, "C1_D2", false}, {"0", "C1_BAUD", false}, {"0", "IPF1", false}};
    for (const auto &c : cases) {
        const DeviceRecord info = InfoWithEnable(c.bits);
        CString a = "untouched", b = "untouched";
        EXPECT_EQ(FormatItemValue(info, c.key, "5", a), int(c.invalid)) << c.key << " " << OrEmpty(c.bits);
        EXPECT_EQ(FormatBlockValue(info, c.key, b), int(c.invalid)) << c.key << " " << OrEmpty(c.bits);
        EXPECT_EQ(a, c.invalid ? "invalid" : "untouched") << c.key;
        EXPECT_EQ(b, a) << c.key;
    }
    for (const char *key : {"COM1_ENABLEST", "XENABLESTX"}) EXPECT_TRUE(IsHiddenItemKey(key) && IsHiddenBlockKey(key));
    for (const char *key : {"C1_D1", "enablest", "IPF1"}) EXPECT_FALSE(IsHiddenItemKey(key) || IsHiddenBlockKey(key));
    EXPECT_TRUE(IsHiddenBlockKey("ENIPFILTER8"));
}

TEST(FamilyAKeyRules, StagingADestinationChangesTheEnableByteAndIpModeIsInverted) {
    DeviceRecord staged;
    CString out;
    EXPECT_EQ(FormatItemValue(DeviceRecord(), "IP_MODE", "7", out), 1);
    EXPECT_EQ(out, "0");
    Stage(InfoWithEnable(nullptr), staged, "IP_MODE", "0");
    EXPECT_EQ(staged.values, std::vector<CString>{"1"});
    staged.ClearPairs();
    Stage(InfoWithEnable("2"), staged, "C1_D1", "7");
    EXPECT_EQ(staged.keys, (std::vector<CString>{"COM1_ENABLEST", "C1_D1"}));
    EXPECT_EQ(staged.values, (std::vector<CString>{"3", "7"}));
    // A second destination builds on the staged byte, not the read one.
    Stage(InfoWithEnable("2"), staged, "C1_D2", "invalid");
    EXPECT_EQ(staged.values, (std::vector<CString>{"1", "7"}));
    // Bits are kept as one byte.
    staged.ClearPairs();
    Stage(InfoWithEnable("510"), staged, "C1_D1", "9");
    EXPECT_EQ(staged.values.front(), "255");
    // Without a read there is no enable byte to change: nothing is staged.
    staged.ClearPairs();
    EXPECT_EQ(InterceptItemModify(InfoWithEnable(nullptr), staged, "C1_D2", "7"), 1);
    EXPECT_TRUE(staged.keys.empty());
    EXPECT_EQ(InterceptItemModify(InfoWithEnable(nullptr), staged, "C1_BAUD", "9"), 0);
}

TEST(FamilyBKeyRules, WritingDestinationsAndRangesKeepsTheirEnableBits) {
    FieldTable table;
    BuildFieldTable(table, 2);
    BlockSlots blocks;
    blocks[0] = std::make_unique<Block>();
    blocks[2] = std::make_unique<Block>();
    blocks[0]->fill(0);
    blocks[2]->fill(0);
    // In order; hook 1: the row's own bytes are left as they are.
    const struct { const char *key, *text; int hook; uint8_t enable, filters; } steps[] = {
        {"C1_D1", "7", 0, 0x01, 0x00},
        {"C1_D2", "7", 0, 0x03, 0x00},
        {"C1_D1", "invalid", 0, 0x02, 0x00},  // then stored as the number of "invalid": 0
        {"C1_D1", "Invalid", 0, 0x03, 0x00},  // only the exact text switches off
        {"C1_D2", "invalid", 1, 0x01, 0x00},  // a switched-off D2 keeps its byte
        {"IPF3", "192.168.0.10-192.168.0.20", 0, 0x01, 0x04},
        {"IPF8", "1.1.1.1,2.2.2.2", 0, 0x01, 0x84},
        {"IPF3", "invalid", 0, 0x01, 0x80},
        {"ENIPFILTER1", "1", 0, 0x01, 0x80},  // left to its own rule
        {"C1_BAUD", "invalid", 0, 0x01, 0x80},
        {"NAME", "IPF1_D2", 0, 0x01, 0x80},
        {"C2_D2", "invalid", 1, 0x01, 0x80},  // port 2's block was never received
        {"C2_D1", "3", 0, 0x01, 0x80}};
    for (const auto &s : steps) {
        const ConfigField *row = FindField(table, s.key);
        ASSERT_NE(row, nullptr) << s.key;
        EXPECT_EQ(BlockWriteHook(table, blocks, *row, s.text), s.hook) << s.key << " " << s.text;
        EXPECT_EQ((*blocks[2])[7], s.enable) << s.key << " " << s.text;
        EXPECT_EQ((*blocks[0])[59], s.filters) << s.key << " " << s.text;
    }
    EXPECT_EQ(blocks[3], nullptr);
}
