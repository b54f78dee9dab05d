#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tcp/command_packet.h"

using namespace vd;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Build(const char *name, const char *param) {
    uint8_t out[kMaxPacket];
    size_t length = 0;
    EXPECT_EQ(BuildCommandPacket(out, length, name, param), 1);
    return Bytes(out, out + length);
}

struct Found {
    int result;
    Bytes payload;
};

Found Find(uint8_t code, const Bytes &data, size_t cap = 100) {
    uint8_t payload[256] = {};
    size_t n = 777;
    const int result = FindReplyPacket(code, data.data(), data.size(), payload, cap, n);
    return {result, result ? Bytes(payload, payload + n) : Bytes()};
}

}  // namespace

TEST(CommandPacket, BuildsTheDeviceCommandsByteForByte) {
    EXPECT_EQ(Build("GETADC", ""), (Bytes{0xAA, 0x05, 0x00, 0xAF, 0x0D}));
    EXPECT_EQ(Build("GETIOSTAT", ""), (Bytes{0xAA, 0x01, 0x00, 0xAB, 0x0D}));
    EXPECT_EQ(Build("SETIODIR", "15"), (Bytes{0xAA, 0x02, 0x01, 0x0F, 0xA6, 0x0D}));
    EXPECT_EQ(Build("SETIOLEVEL", "15"), (Bytes{0xAA, 0x03, 0x01, 0x0F, 0xA7, 0x0D}));
    EXPECT_EQ(Build("RESETDEV", ""), (Bytes{0xAA, 0x04, 0x00, 0xAE, 0x0D}));
    EXPECT_EQ(Build("SETIODIR", "255"), (Bytes{0xAA, 0x02, 0x01, 0xFF, 0x56, 0x0D}));
}

TEST(CommandPacket, ParameterFollowsAtoiAndKeepsTheLowByte) {
    EXPECT_EQ(Build("SETIODIR", " +258x"), (Bytes{0xAA, 0x02, 0x01, 0x02, 0xAB, 0x0D}));
    EXPECT_EQ(Build("SETIOLEVEL", "-1"), (Bytes{0xAA, 0x03, 0x01, 0xFF, 0x57, 0x0D}));
    EXPECT_EQ(Build("SETIODIR", "abc"), (Bytes{0xAA, 0x02, 0x01, 0x00, 0xA9, 0x0D}));
    EXPECT_EQ(Build("SETIODIR", nullptr), (Bytes{0xAA, 0x02, 0x01, 0x00, 0xA9, 0x0D}));
}

TEST(CommandPacket, UnknownOrDifferentlyCasedNameLeavesTheLengthAlone) {
    uint8_t out[kMaxPacket];
    for (const char *name : {"getadc", "GETADC ", "", "REBOOT"}) {
        size_t length = 0;
        EXPECT_EQ(BuildCommandPacket(out, length, name, "1"), 1);
        EXPECT_EQ(length, 0u) << name;
    }
    size_t length = 42;
    BuildCommandPacket(out, length, nullptr, "");
    EXPECT_EQ(length, 42u);
}

TEST(CommandPacket, EncodesAFullPayloadWithItsCheckByte) {
    uint8_t payload[255];
    for (int i = 0; i < 255; ++i) payload[i] = uint8_t(i);
    uint8_t out[kMaxPacket];
    ASSERT_EQ(EncodePacket(0x07, 255, payload, out), 260u);
    EXPECT_EQ(out[0], 0xAA);
    EXPECT_EQ(out[2], 0xFF);
    EXPECT_EQ(out[259], 0x0D);
    EXPECT_EQ(XorChecksum(out, 258, out[258]), 1);
    EXPECT_EQ(std::memcmp(out + 3, payload, 255), 0);
}

TEST(CommandPacket, XorChecksumOfNothingIsZero) {
    EXPECT_EQ(XorChecksum(nullptr, 0, 0x00), 1);
    EXPECT_EQ(XorChecksum(nullptr, 0, 0x01), 0);
    const uint8_t bytes[] = {0xAA, 0x05, 0x00};
    EXPECT_EQ(XorChecksum(bytes, 3, 0xAF), 1);
    EXPECT_EQ(XorChecksum(bytes, 3, 0xAE), 0);
}

TEST(CommandPacket, FindsTheFirstReplyWithTheWantedCode) {
    const Bytes adc = {0xAA, 0x05, 0x04, 0x01, 0x02, 0x03, 0x04, 0xAF, 0x0D};
    Found f = Find(5, adc);
    EXPECT_EQ(f.result, 1);
    EXPECT_EQ(f.payload, (Bytes{1, 2, 3, 4}));

    // Stray bytes and a reply to another command ahead of it are skipped.
    Bytes mixed = {0x00, 0xAA, 0x13, 0xAA, 0x02, 0x01, 0x0F, 0xA6, 0x0D};
    mixed.insert(mixed.end(), adc.begin(), adc.end());
    mixed.insert(mixed.end(), {0xAA, 0x05, 0x04, 9, 9, 9, 9, 0xAB, 0x0D});
    f = Find(5, mixed);
    EXPECT_EQ(f.result, 1);
    EXPECT_EQ(f.payload, (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(Find(2, mixed).payload, (Bytes{0x0F}));
    EXPECT_EQ(Find(1, mixed).result, 0);
}

TEST(CommandPacket, BadCheckByteIsSkippedAndTheScanGoesOnAfterItsMark) {
    // The first packet's check byte is wrong; a good packet starts inside it.
    const Bytes data = {0xAA, 0x05, 0x06, 0xAA, 0x05, 0x00, 0xAF, 0x0D, 0x00, 0x55, 0x0D};
    const Found f = Find(5, data);
    EXPECT_EQ(f.result, 1);
    EXPECT_TRUE(f.payload.empty());
    EXPECT_EQ(Find(5, {0xAA, 0x05, 0x00, 0xAE, 0x0D}).result, 0);
}

TEST(CommandPacket, PacketReachingPastTheDataIsNotTaken) {
    EXPECT_EQ(Find(5, {0xAA, 0x05, 0x00, 0xAF}).result, 0);  // end mark missing
    EXPECT_EQ(Find(5, {0xAA, 0x05, 0x01, 0x00, 0xAE}).result, 0);
    EXPECT_EQ(Find(5, {0xAA, 0x05}).result, 0);
    EXPECT_EQ(Find(5, {0xAA}).result, 0);
    EXPECT_EQ(Find(5, {}).result, 0);
    // The end mark itself is not checked.
    EXPECT_EQ(Find(5, {0xAA, 0x05, 0x00, 0xAF, 0x00}).result, 1);
}

TEST(CommandPacket, PayloadIsCutToTheRoomGiven) {
    Bytes payload(200, 0x11);
    Bytes data(205);
    data.resize(EncodePacket(5, 200, payload.data(), data.data()));
    const Found f = Find(5, data, 100);
    EXPECT_EQ(f.result, 1);
    EXPECT_EQ(f.payload.size(), 100u);
}

TEST(CommandPacket, ReadingsOfTheTwoReplies) {
    const uint8_t adc[] = {0x01, 0x02, 0x03, 0x04};
    uint32_t r[2];
    EXPECT_TRUE(ReplyReadings(CMD_GETADC, adc, 4, r));
    EXPECT_EQ(r[0], 258u);
    EXPECT_EQ(r[1], 772u);
    EXPECT_FALSE(ReplyReadings(CMD_GETADC, adc, 3, r));
    EXPECT_EQ(r[1], 768u);
    EXPECT_TRUE(ReplyReadings(CMD_GETIOSTAT, adc, 2, r));
    EXPECT_EQ(r[0], 1u);
    EXPECT_EQ(r[1], 2u);
    EXPECT_FALSE(ReplyReadings(CMD_SETIODIR, adc, 4, r));
}

TEST(CommandPacket, FormatsReplyDataAsText) {
    const uint8_t payload[] = {0x01, 0x02, 0x03, 0x04};
    char text[12] = "untouched";
    FormatReplyData(payload, 4, "GETADC", text, sizeof text);
    EXPECT_STREQ(text, "258,772");
    FormatReplyData(payload, 4, "GETIOSTAT", text, sizeof text);
    EXPECT_STREQ(text, "1,2");
    FormatReplyData(payload, 4, "SETIODIR", text, sizeof text);
    EXPECT_STREQ(text, "1,2");

    const uint8_t high[] = {0xFF, 0xFF, 0xFF, 0xFF};
    char small[8] = "";
    FormatReplyData(high, 4, "GETADC", small, sizeof small);
    EXPECT_STREQ(small, "65535,6");  // cut to the room given
}
