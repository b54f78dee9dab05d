// The family A key rules: hidden enable byte, "invalid" destinations and the
// inverted "IP_MODE", on the way out (FormatValue) and in (InterceptModify).
#include <gtest/gtest.h>

#include "devices/family_a/key_rules.h"

using namespace vd;

namespace {

DeviceRecord InfoWithEnable(const char *bits) {
    DeviceRecord info;
    info.Append("COM1_ENABLEST", bits);
    return info;
}

// What the registry does when staging a key that is not staged yet.
void Stage(const DeviceRecord &info, DeviceRecord &staged, const CString &key, const CString &value) {
    if (!InterceptItemModify(info, staged, key, value)) staged.Append(key, value);
}

}  // namespace

TEST(FamilyAKeyRules, HiddenKeys) {
    EXPECT_TRUE(IsHiddenItemKey("COM1_ENABLEST"));
    EXPECT_TRUE(IsHiddenItemKey("XENABLESTX"));
    EXPECT_FALSE(IsHiddenItemKey("C1_D1"));
    EXPECT_FALSE(IsHiddenItemKey("enablest"));
}

TEST(FamilyAKeyRules, DestinationsReadInvalidWhenTheirBitIsClear) {
    CString out = "untouched";
    const DeviceRecord one = InfoWithEnable("1");
    EXPECT_EQ(FormatItemValue(one, "C1_D1", "5", out), 0);
    EXPECT_EQ(out, "untouched");
    EXPECT_EQ(FormatItemValue(one, "C1_D2", "6", out), 1);
    EXPECT_EQ(out, "invalid");

    const DeviceRecord two = InfoWithEnable("2");
    EXPECT_EQ(FormatItemValue(two, "C1_D1", "5", out), 1);
    EXPECT_EQ(FormatItemValue(two, "C1_D2", "6", out), 0);

    // Without the enable byte the destination is handed out as it is.
    EXPECT_EQ(FormatItemValue(DeviceRecord(), "C1_D2", "6", out), 0);
    // The port number after the C picks the enable key.
    EXPECT_EQ(FormatItemValue(one, "C2_D2", "6", out), 0);
    EXPECT_EQ(FormatItemValue(one, "C1_BAUD", "6", out), 0);
}

TEST(FamilyAKeyRules, IpModeIsInvertedBothWays) {
    CString out;
    EXPECT_EQ(FormatItemValue(DeviceRecord(), "IP_MODE", "0", out), 1);
    EXPECT_EQ(out, "1");
    EXPECT_EQ(FormatItemValue(DeviceRecord(), "IP_MODE", "7", out), 1);
    EXPECT_EQ(out, "0");

    DeviceRecord staged;
    EXPECT_EQ(InterceptItemModify(DeviceRecord(), staged, "IP_MODE", "0"), 1);
    EXPECT_EQ(staged.keys, std::vector<CString>{"IP_MODE"});
    EXPECT_EQ(staged.values, std::vector<CString>{"1"});
}

TEST(FamilyAKeyRules, StagingADestinationChangesTheEnableByte) {
    DeviceRecord staged;
    Stage(InfoWithEnable("3"), staged, "C1_D1", "invalid");
    EXPECT_EQ(staged.keys, std::vector<CString>{"COM1_ENABLEST"});
    EXPECT_EQ(staged.values, std::vector<CString>{"2"});

    staged.ClearPairs();
    Stage(InfoWithEnable("2"), staged, "C1_D1", "7");
    EXPECT_EQ(staged.keys, (std::vector<CString>{"COM1_ENABLEST", "C1_D1"}));
    EXPECT_EQ(staged.values, (std::vector<CString>{"3", "7"}));

    // A second destination builds on the staged byte, not the read one.
    Stage(InfoWithEnable("2"), staged, "C1_D2", "invalid");
    EXPECT_EQ(staged.keys, (std::vector<CString>{"COM1_ENABLEST", "C1_D1"}));
    EXPECT_EQ(staged.values, (std::vector<CString>{"1", "7"}));

    // Bits are kept as one byte.
    staged.ClearPairs();
    Stage(InfoWithEnable("510"), staged, "C1_D1", "9");
    EXPECT_EQ(staged.values.front(), "255");
}

TEST(FamilyAKeyRules, NothingIsStagedForADestinationBeforeARead) {
    DeviceRecord staged;
    EXPECT_EQ(InterceptItemModify(DeviceRecord(), staged, "C1_D1", "7"), 1);
    DeviceRecord other;
    other.Append("IP", "10.0.0.1");
    EXPECT_EQ(InterceptItemModify(other, staged, "C1_D2", "invalid"), 1);
    EXPECT_TRUE(staged.keys.empty());
    EXPECT_EQ(InterceptItemModify(other, staged, "C1_BAUD", "9"), 0);
}
