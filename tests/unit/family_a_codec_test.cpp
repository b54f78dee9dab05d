// Item framing, value kinds and the fixed search reply of family A.
#include <gtest/gtest.h>

#include <string>

#include "devices/family_a/item_frame.h"
#include "devices/family_a/search_reply.h"
#include "codec/codec.h"

using namespace vd;
using K = ValueKind;

// The padding's bytes are those of the write tests (tests/integration).
TEST(FamilyAFrame, OnlyPacketsOfOneToFifteenBytesArePadded) {
    Packet empty, fifteen(15, 0x00), sixteen(16, 0x00);
    for (Packet *q : {&empty, &fifteen, &sixteen}) PadShortPacket(*q);
    EXPECT_EQ(std::vector<size_t>({empty.size(), fifteen.size(), sixteen.size()}), (std::vector<size_t>{0, 30, 16}));
}

TEST(FamilyAFrame, FrameCheckLooksAtTheFirstItemOnly) {
    const Packet good = {0xA1, 0x01, 0x01, 0x05, 0xFF, 0x00};
    EXPECT_TRUE(HasItemFrame(good.data(), good.size()));
    EXPECT_FALSE(HasItemFrame(good.data(), 4));  // end byte outside
    EXPECT_FALSE(HasItemFrame(good.data(), 2));
    EXPECT_FALSE(HasItemFrame(nullptr, 0));
    const Packet badStart = {0xA2, 0x01, 0x01, 0x05, 0xFF}, badEnd = {0xA1, 0x01, 0x01, 0x05, 0xFE};
    EXPECT_FALSE(HasItemFrame(badStart.data(), badStart.size()));
    EXPECT_FALSE(HasItemFrame(badEnd.data(), badEnd.size()));
}

TEST(FamilyAValues, ReadEveryKindNeverPastTheDatagram) {
    // "<short>": the bytes needed run past the datagram, nothing is read.
    const struct { K kind; Packet bytes; uint8_t n; std::string text; } cases[] = {
        {K::Byte, {0xFE}, 0, "254"}, {K::Word, {0xFF, 0xFF}, 0, "65535"},
        {K::Dword, {0xFF, 0xFF, 0xFF, 0xFE}, 0, "4294967294"}, {K::Address, {192, 168, 1, 254}, 0, "192.168.1.254"},
        {K::WordPair, {0x01, 0x00, 0x00, 0x02}, 0, "256,2"}, {K::BytePair, {0x03, 0xFF}, 0, "3,255"},
        {K::Mac, {0x00, 0x1A, 0xb2, 0x03, 0x04, 0xFF}, 0, "00:1A:B2:03:04:FF"},
        {K::Text, {'a', 'b', 0, 'c'}, 4, "ab"}, {K::Text, {'a', 'b', 'c'}, 0, ""},
        {K::Text, Packet(200, 'x'), 200, std::string(kMaxTextValue, 'x')},
        {K::Byte, {}, 0, "<short>"}, {K::Word, {0x01}, 0, "<short>"}, {K::Dword, {1, 2, 3}, 0, "<short>"},
        {K::Mac, {1, 2, 3, 4, 5}, 0, "<short>"}, {K::Text, {'a', 'b'}, 3, "<short>"}};
    for (size_t i = 0; i < std::size(cases); ++i) {
        ByteReader reader(cases[i].bytes.data(), cases[i].bytes.size());
        std::string out = "<short>";
        EXPECT_EQ(ReadValue(cases[i].kind, reader, cases[i].n, out), cases[i].text != "<short>") << "case " << i;
        EXPECT_EQ(out, cases[i].text) << "case " << i;
    }
}

TEST(FamilyAValues, WriteEveryKind) {
    const struct { K kind; const char *text; Packet bytes; } cases[] = {
        {K::Byte, "257", {0x01}}, {K::Byte, "abc", {0x00}}, {K::Word, "-1", {0xFF, 0xFF}},
        {K::Dword, "305419896", {0x12, 0x34, 0x56, 0x78}},
        {K::Address, "10.0.0.1", {10, 0, 0, 1}}, {K::Address, "host", {0xFF, 0xFF, 0xFF, 0xFF}},
        {K::WordPair, "100", {0x00, 0x64, 0x00, 0x00}}, {K::WordPair, "1,2,3", {0x00, 0x01, 0x00, 0x02}},
        {K::BytePair, "258, 7", {0x02, 0x07}}, {K::Text, "abc", {'a', 'b', 'c', 0, 0, 0, 0, 0, 0, 0}},
        {K::Text, "abcdefghijkl", {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j'}},
        {K::Mac, "00:11:22:33:44:55", {}}};
    for (const auto &c : cases) {
        Packet data;
        WriteValue(c.kind, c.text, data);
        EXPECT_EQ(data, c.bytes) << c.text;
    }
}

// The fields are the search tests' (tests/integration); here the length and
// the start marker that a reply must have.
TEST(FamilyASearchReply, OnlyAReplyOfExactlyItsLengthIsDecoded) {
    Packet reply = {0x00, 0x02, 0x00, 0x02, 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 9, 9, 9, 9,
                    48,   0x07, 123,  10,   1,    2,    3,    0x1F, 0x90, 9, 9, 0};
    DeviceRecord r;
    EXPECT_TRUE(DecodeFixedSearchReply(reply.data(), 25, r));
    r.ip = "keep";
    EXPECT_FALSE(DecodeFixedSearchReply(reply.data(), 24, r));
    EXPECT_FALSE(DecodeFixedSearchReply(reply.data(), 26, r));
    reply[3] = 3;
    EXPECT_FALSE(DecodeFixedSearchReply(reply.data(), 25, r));
    EXPECT_EQ(r.ip, "keep");
}
