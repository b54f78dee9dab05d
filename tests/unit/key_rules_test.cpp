// The key rules of both families: hidden enable keys, destinations that read
// "invalid" while their enable bit is 0, the inverted "IP_MODE" of family A,
// and the enable bits kept when destinations and filter ranges are staged
// (family A) or written into a block (family B).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "codec/codec.h"
#include "core/registry.h"
#include "devices/family_a/family_a_handler.h"

using namespace vd;

namespace {

DeviceRecord InfoWithEnable(const char *bits) {
    DeviceRecord info;
    info.Append("C1_D1", "5");
    if (bits) info.Append("COM1_ENABLEST", bits);
    return info;
}

// A family A handler that has read info.
struct ReadHandler : FamilyAHandler {
    explicit ReadHandler(const DeviceRecord &info) { m_info = info; }
    const DeviceRecord &Staged() const { return m_staged; }
};

// The registry staging keys for a family A handler that has read info.
struct FamilyAStaging {
    explicit FamilyAStaging(const DeviceRecord &info) {
        auto owned = std::make_unique<ReadHandler>(info);
        handler = owned.get();
        registry.Add(std::move(owned));
    }
    const DeviceRecord &Stage(const char *key, const char *value) {
        registry.SetModifyConfig(key, value);
        return handler->Staged();
    }
    net::EventLoop loop;
    HandlerRegistry registry{loop};
    ReadHandler *handler = nullptr;
};

}  // namespace

TEST(KeyRules, BothFamiliesShowADestinationAsInvalidWhileItsBitIsClear) {
    const struct { const char *bits, *key; bool invalid; } cases[] = {
        {"1", "C1_D1", false}, {"1", "C1_D2", true}, {"2", "C1_D1", true}, {"2", "C1_D2", false},
        {"3", "C1_D1", false}, {"3", "C1_D2", false},
        {"1", "C2_D2", false},  // the port number after the C picks the enable key
        {nullptr, "C1_D2", false}, {"0", "C1_BAUD", false}, {"0", "IPF1", false}};
    for (const auto &c : cases) {
        const DeviceRecord info = InfoWithEnable(c.bits);
        std::string a = "untouched", b = "untouched";
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
    std::string out;
    EXPECT_EQ(FormatItemValue(DeviceRecord(), "IP_MODE", "7", out), 1);
    EXPECT_EQ(out, "0");  // any number but 0 reads as 0
    FamilyAStaging disabled(InfoWithEnable("2"));
    disabled.Stage("C1_D1", "7");
    EXPECT_EQ(disabled.handler->Staged().keys, (std::vector<std::string>{"COM1_ENABLEST", "C1_D1"}));
    EXPECT_EQ(disabled.handler->Staged().values, (std::vector<std::string>{"3", "7"}));
    // A second destination builds on the staged byte, not the read one.
    EXPECT_EQ(disabled.Stage("C1_D2", "invalid").values, (std::vector<std::string>{"1", "7"}));
    // A key staged again takes its new value in place.
    EXPECT_EQ(disabled.Stage("C1_D1", "8").values, (std::vector<std::string>{"1", "8"}));
    // Bits are kept as one byte.
    EXPECT_EQ(FamilyAStaging(InfoWithEnable("510")).Stage("C1_D1", "9").values.front(), "255");
    // Without a read there is no enable byte to change: nothing is staged.
    EXPECT_TRUE(FamilyAStaging(InfoWithEnable(nullptr)).Stage("C1_D2", "7").keys.empty());
}

TEST(FamilyBKeyRules, WritingDestinationsAndRangesKeepsTheirEnableBits) {
    FieldTable table;
    BuildFieldTable(table, 2);
    BlockSlots blocks;
    for (const int block : {0, 2}) blocks[block] = std::make_unique<Block>(Block{});
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
