// The device command packets: built from a command name, found in the bytes
// a device sends back, and their readings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bytes.h"
#include "command_packets/command_packet.h"

using namespace vd;

namespace {

// The payload of the first reply with code, or "none".
std::string Find(uint8_t code, const Bytes &data, size_t cap = 100) {
    uint8_t payload[256] = {};
    size_t n = 777;
    if (!FindReplyPacket(code, data.data(), data.size(), payload, cap, n)) return "none";
    return std::string(payload, payload + n);
}

}  // namespace

TEST(CommandPacket, BuildsTheDeviceCommandsByteForByte) {
    const struct { const char *name, *param; Bytes bytes; } cases[] = {
        {"GETADC", "", {0xAA, 0x05, 0x00, 0xAF, 0x0D}},
        // The parameter follows atoi and keeps its low byte.
        {"SETIODIR", " +258x", {0xAA, 0x02, 0x01, 0x02, 0xAB, 0x0D}},
        {"SETIOLEVEL", "-1", {0xAA, 0x03, 0x01, 0xFF, 0x57, 0x0D}},
        {"SETIODIR", "abc", {0xAA, 0x02, 0x01, 0x00, 0xA9, 0x0D}},
        {"SETIODIR", nullptr, {0xAA, 0x02, 0x01, 0x00, 0xA9, 0x0D}}};
    for (const auto &c : cases) {
        uint8_t out[kMaxPacket];
        size_t length = 0;
        BuildCommandPacket(out, length, c.name, c.param);
        EXPECT_EQ(Bytes(out, out + length), c.bytes) << c.name << " " << (c.param ? c.param : "null");
    }
    // An unknown or differently cased name leaves the length alone.
    uint8_t out[kMaxPacket];
    for (const char *name : {"getadc", "GETADC ", "", "REBOOT", static_cast<const char *>(nullptr)}) {
        size_t length = 42;
        BuildCommandPacket(out, length, name, "1");
        EXPECT_EQ(length, 42u) << (name ? name : "null");
    }
}

TEST(CommandPacket, FindsTheFirstWellFormedReplyWithTheWantedCode) {
    // Stray bytes and a reply to another command ahead of it are skipped.
    const Bytes mixed = {0x00, 0xAA, 0x13, 0xAA, 0x02, 0x01, 0x0F, 0xA6, 0x0D,          //
                         0xAA, 0x05, 0x04, 0x01, 0x02, 0x03, 0x04, 0xAF, 0x0D,          //
                         0xAA, 0x05, 0x04, 9, 9, 9, 9, 0xAB, 0x0D};
    EXPECT_EQ(Find(5, mixed), "\x01\x02\x03\x04");
    EXPECT_EQ(Find(2, mixed), "\x0F");
    EXPECT_EQ(Find(1, mixed), "none");
    // The first packet's check byte is wrong; a good packet starts inside it.
    EXPECT_EQ(Find(5, {0xAA, 0x05, 0x06, 0xAA, 0x05, 0x00, 0xAF, 0x0D, 0x00, 0x55, 0x0D}), "");
    EXPECT_EQ(Find(5, {0xAA, 0x05, 0x00, 0xAE, 0x0D}), "none");
    EXPECT_EQ(Find(5, {0xAA, 0x05, 0x00, 0xAF, 0x00}), "");  // the end mark is not checked
}

TEST(CommandPacket, PacketReachingPastTheDataIsNotTakenAndPayloadIsCutToTheRoomGiven) {
    for (const Bytes &cut : {Bytes{0xAA, 0x05, 0x00, 0xAF}, Bytes{0xAA, 0x05, 0x01, 0x00, 0xAE},
                             Bytes{0xAA, 0x05}, Bytes{0xAA}, Bytes{}})
        EXPECT_EQ(Find(5, cut), "none") << cut.size();
    // 200 payload bytes, whose XOR is 0, so the check byte is AA ^ 05 ^ C8.
    Bytes data = {0xAA, 0x05, 0xC8};
    data.insert(data.end(), 200, 'p');
    data.insert(data.end(), {0x67, 0x0D});
    EXPECT_EQ(Find(5, data, 100), std::string(100, 'p'));
}

// Whole replies read and shown as the data channel tests expect
// (tests/integration); here the short and the unreadable ones.
TEST(CommandPacket, ReadingsOfShortRepliesAndTextCutToTheRoomGiven) {
    const uint8_t payload[] = {0x01, 0x02, 0x03, 0x04};
    uint32_t r[2];
    EXPECT_FALSE(ReplyReadings(CMD_GETADC, payload, 3, r));  // a missing byte reads as 0
    EXPECT_EQ(r[1], 768u);
    EXPECT_FALSE(ReplyReadings(CMD_SETIODIR, payload, 4, r));
    char text[12] = "untouched";
    FormatReplyData(payload, 4, "SETIODIR", text, sizeof text);  // no readings to show
    EXPECT_STREQ(text, "untouched");
    const uint8_t high[] = {0xFF, 0xFF, 0xFF, 0xFF};
    char small[8] = "";
    FormatReplyData(high, 4, "GETADC", small, sizeof small);
    EXPECT_STREQ(small, "65535,6");
}
