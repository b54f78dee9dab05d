// The family B key rules: hidden enable keys, destinations that read
// "invalid" while their enable bit is 0, and the enable bits maintained
// when destinations and filter ranges are written.
#include <gtest/gtest.h>

#include <stdexcept>

#include "devices/family_b/key_rules.h"

using namespace vd;

namespace {

class FamilyBWriteHook : public ::testing::Test {
protected:
    void SetUp() override {
        BuildFieldTable(table, 2);
        blocks[0] = std::make_unique<Block>();
        blocks[2] = std::make_unique<Block>();
        blocks[0]->fill(0);
        blocks[2]->fill(0);
    }
    int Hook(const char *key, const CString &text) {
        const ConfigField *row = FindField(table, key);
        if (!row) throw std::runtime_error(key);
        return BlockWriteHook(table, blocks, *row, text);
    }
    uint8_t &Enable() { return (*blocks[2])[7]; }
    uint8_t &Filters() { return (*blocks[0])[59]; }
    FieldTable table;
    BlockSlots blocks;
};

DeviceRecord EnableBits(const char *bits) {
    DeviceRecord info;
    info.Append("C1_D1", "5");
    info.Append("COM1_ENABLEST", bits);
    return info;
}

}  // namespace

TEST(FamilyBKeyRules, HiddenKeys) {
    EXPECT_TRUE(IsHiddenBlockKey("COM1_ENABLEST"));
    EXPECT_TRUE(IsHiddenBlockKey("ENIPFILTER8"));
    EXPECT_TRUE(IsHiddenBlockKey("XENABLEST"));
    EXPECT_FALSE(IsHiddenBlockKey("IPF1"));
    EXPECT_FALSE(IsHiddenBlockKey("C1_D1"));
    EXPECT_FALSE(IsHiddenBlockKey("enablest"));
}

TEST(FamilyBKeyRules, DestinationsFollowTheirEnableBits) {
    CString out = "untouched";
    const DeviceRecord one = EnableBits("1");
    EXPECT_EQ(FormatBlockValue(one, "C1_D1", out), 0);
    EXPECT_EQ(out, "untouched");
    EXPECT_EQ(FormatBlockValue(one, "C1_D2", out), 1);
    EXPECT_EQ(out, "invalid");

    out = "untouched";
    const DeviceRecord three = EnableBits("3");
    EXPECT_EQ(FormatBlockValue(three, "C1_D1", out), 0);
    EXPECT_EQ(FormatBlockValue(three, "C1_D2", out), 0);
    const DeviceRecord two = EnableBits("2");
    EXPECT_EQ(FormatBlockValue(two, "C1_D1", out), 1);
    EXPECT_EQ(FormatBlockValue(two, "C1_D2", out), 0);

    // Another port's enable key, or none at all: handed out as decoded.
    out = "untouched";
    EXPECT_EQ(FormatBlockValue(one, "C2_D2", out), 0);
    EXPECT_EQ(FormatBlockValue(DeviceRecord(), "C1_D2", out), 0);
    EXPECT_EQ(FormatBlockValue(EnableBits("0"), "C1_BAUD", out), 0);
    EXPECT_EQ(FormatBlockValue(EnableBits("0"), "IPF1", out), 0);
    EXPECT_EQ(out, "untouched");
}

TEST_F(FamilyBWriteHook, DestinationOneSetsOrClearsBitZero) {
    EXPECT_EQ(Hook("C1_D1", "7"), 0);
    EXPECT_EQ(Enable(), 0x01);
    Enable() = 0xFF;
    // The D1 byte is then stored as the number of "invalid": 0.
    EXPECT_EQ(Hook("C1_D1", "invalid"), 0);
    EXPECT_EQ(Enable(), 0xFE);
    EXPECT_EQ(Hook("C1_D1", "Invalid"), 0);  // only the exact text switches off
    EXPECT_EQ(Enable(), 0xFF);
}

TEST_F(FamilyBWriteHook, DestinationTwoKeepsItsByteWhenSwitchedOff) {
    EXPECT_EQ(Hook("C1_D2", "7"), 0);
    EXPECT_EQ(Enable(), 0x02);
    Enable() = 0xFF;
    EXPECT_EQ(Hook("C1_D2", "invalid"), 1);
    EXPECT_EQ(Enable(), 0xFD);
    EXPECT_EQ((*blocks[2])[9], 0);
}

TEST_F(FamilyBWriteHook, FilterRangesSetTheirEnableBit) {
    EXPECT_EQ(Hook("IPF3", "192.168.0.10-192.168.0.20"), 0);
    EXPECT_EQ(Filters(), 0x04);
    EXPECT_EQ(Hook("IPF8", "1.1.1.1,2.2.2.2"), 0);
    EXPECT_EQ(Filters(), 0x84);
    EXPECT_EQ(Hook("IPF3", "invalid"), 0);
    EXPECT_EQ(Filters(), 0x80);
    // The enable keys themselves are left to their own rule.
    EXPECT_EQ(Hook("ENIPFILTER1", "1"), 0);
    EXPECT_EQ(Filters(), 0x80);
}

TEST_F(FamilyBWriteHook, OtherKeysAndMissingBlocksChangeNothing) {
    EXPECT_EQ(Hook("C1_BAUD", "invalid"), 0);
    EXPECT_EQ(Hook("NAME", "IPF1_D2"), 0);
    EXPECT_EQ(Enable(), 0);
    EXPECT_EQ(Filters(), 0);
    // Port 2's block was never received: its enable bits cannot change.
    EXPECT_EQ(Hook("C2_D2", "invalid"), 1);
    EXPECT_EQ(Hook("C2_D1", "3"), 0);
    EXPECT_EQ(blocks[3], nullptr);
}
