// Item framing, value kinds and the fixed search reply of family A.
#include <gtest/gtest.h>

#include "devices/family_a/item_frame.h"
#include "devices/family_a/search_reply.h"
#include "devices/family_a/value_kind.h"

using namespace vd;

namespace {

CString Read(ValueKind kind, const std::vector<uint8_t> &bytes, uint8_t n = 0) {
    ByteReader reader(bytes.data(), bytes.size());
    CString out = "untouched";
    if (!ReadValue(kind, reader, n, out)) return "<short>";
    return out;
}

Packet Write(ValueKind kind, const CString &text) {
    Packet data;
    WriteValue(kind, text, data);
    return data;
}

}  // namespace

TEST(FamilyAFrame, RequestsAndPadding) {
    EXPECT_EQ(RequestPacket(kCodeSearchRequest), (Packet{0xA1, 0x15, 0x02, 0x00, 0x00, 0xFF}));
    EXPECT_EQ(RequestPacket(kCodeInfoRequest), (Packet{0xA1, 0x14, 0x02, 0x00, 0x00, 0xFF}));

    Packet p;
    PadShortPacket(p);
    EXPECT_TRUE(p.empty());
    const uint8_t d = 7;
    AppendItem(p, 0x1B, &d, 1);
    PadShortPacket(p);
    ASSERT_EQ(p.size(), 20u);
    EXPECT_EQ(Packet(p.begin(), p.begin() + 5), (Packet{0xA1, 0x1B, 0x01, 0x07, 0xFF}));
    EXPECT_EQ(Packet(p.begin() + 5, p.end()), Packet(15, 0xFF));

    Packet sixteen(16, 0x00);
    PadShortPacket(sixteen);
    EXPECT_EQ(sixteen.size(), 16u);
}

TEST(FamilyAFrame, FrameCheckLooksAtTheFirstItemOnly) {
    const Packet good = {0xA1, 0x01, 0x01, 0x05, 0xFF, 0x00};
    EXPECT_TRUE(HasItemFrame(good.data(), good.size()));
    EXPECT_FALSE(HasItemFrame(good.data(), 4));  // end byte outside
    const Packet badStart = {0xA2, 0x01, 0x01, 0x05, 0xFF};
    EXPECT_FALSE(HasItemFrame(badStart.data(), badStart.size()));
    const Packet badEnd = {0xA1, 0x01, 0x01, 0x05, 0xFE};
    EXPECT_FALSE(HasItemFrame(badEnd.data(), badEnd.size()));
    EXPECT_FALSE(HasItemFrame(good.data(), 2));
    EXPECT_FALSE(HasItemFrame(nullptr, 0));
}

TEST(FamilyAFrame, NextItemStopsAtAnItemThatDoesNotFit) {
    // Second item's start and end bytes are wrong but it fits: it is read.
    const Packet bytes = {0xA1, 0x01, 0x01, 0x05, 0xFF, 0x00, 0x02, 0x00, 0x00, 0xA1, 0x03, 0x09, 0x00};
    ByteReader reader(bytes.data(), bytes.size());
    ItemView item;
    ASSERT_TRUE(NextItem(reader, item));
    EXPECT_EQ(item.code, 0x01);
    EXPECT_EQ(item.length, 1);
    EXPECT_EQ(item.dataPos, 3u);
    ASSERT_TRUE(NextItem(reader, item));
    EXPECT_EQ(item.code, 0x02);
    EXPECT_EQ(item.dataPos, 8u);
    EXPECT_FALSE(NextItem(reader, item));  // claims 9 data bytes, 4 remain
    EXPECT_EQ(reader.Position(), 9u);
}

TEST(FamilyAValues, ReadEveryKind) {
    EXPECT_EQ(Read(ValueKind::Byte, {0xFE}), "254");
    EXPECT_EQ(Read(ValueKind::Word, {0x00, 0x50}), "80");
    EXPECT_EQ(Read(ValueKind::Word, {0xFF, 0xFF}), "65535");
    EXPECT_EQ(Read(ValueKind::Dword, {0xFF, 0xFF, 0xFF, 0xFE}), "4294967294");
    EXPECT_EQ(Read(ValueKind::Address, {192, 168, 1, 254}), "192.168.1.254");
    EXPECT_EQ(Read(ValueKind::WordPair, {0x01, 0x00, 0x00, 0x02}), "256,2");
    EXPECT_EQ(Read(ValueKind::BytePair, {0x03, 0xFF}), "3,255");
    EXPECT_EQ(Read(ValueKind::Mac, {0x00, 0x1A, 0xb2, 0x03, 0x04, 0xFF}), "00:1A:B2:03:04:FF");
    EXPECT_EQ(Read(ValueKind::Text, {'a', 'b', 0, 'c'}, 4), "ab");
    EXPECT_EQ(Read(ValueKind::Text, {'a', 'b', 'c'}, 0), "");
}

TEST(FamilyAValues, ReadNeverPassesTheDatagram) {
    EXPECT_EQ(Read(ValueKind::Word, {0x01}), "<short>");
    EXPECT_EQ(Read(ValueKind::Dword, {1, 2, 3}), "<short>");
    EXPECT_EQ(Read(ValueKind::Mac, {1, 2, 3, 4, 5}), "<short>");
    EXPECT_EQ(Read(ValueKind::Text, {'a', 'b'}, 3), "<short>");
    EXPECT_EQ(Read(ValueKind::Byte, {}), "<short>");
    // A long text is cut to what the library keeps.
    std::vector<uint8_t> text(200, 'x');
    EXPECT_EQ(Read(ValueKind::Text, text, 200), CString(kMaxTextValue, 'x'));
}

TEST(FamilyAValues, WriteEveryKind) {
    EXPECT_EQ(Write(ValueKind::Byte, "257"), (Packet{0x01}));
    EXPECT_EQ(Write(ValueKind::Byte, "abc"), (Packet{0x00}));
    EXPECT_EQ(Write(ValueKind::Word, "80"), (Packet{0x00, 0x50}));
    EXPECT_EQ(Write(ValueKind::Word, "-1"), (Packet{0xFF, 0xFF}));
    EXPECT_EQ(Write(ValueKind::Dword, "4294967295"), (Packet{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Write(ValueKind::Dword, "305419896"), (Packet{0x12, 0x34, 0x56, 0x78}));
    EXPECT_EQ(Write(ValueKind::Address, "10.0.0.1"), (Packet{10, 0, 0, 1}));
    EXPECT_EQ(Write(ValueKind::Address, "host"), (Packet{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Write(ValueKind::WordPair, "100"), (Packet{0x00, 0x64, 0x00, 0x00}));
    EXPECT_EQ(Write(ValueKind::WordPair, "1,2,3"), (Packet{0x00, 0x01, 0x00, 0x02}));
    EXPECT_EQ(Write(ValueKind::BytePair, "258, 7"), (Packet{0x02, 0x07}));
    EXPECT_EQ(Write(ValueKind::Text, "abc"), (Packet{'a', 'b', 'c', 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Write(ValueKind::Text, "abcdefghijkl"),
              (Packet{'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j'}));
    EXPECT_TRUE(Write(ValueKind::Mac, "00:11:22:33:44:55").empty());
}

TEST(FamilyASearchReply, DecodesTheFixedReply) {
    Packet reply = {0x00, 0x02, 0x00, 0x02, 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 9, 9, 9, 9,
                    48,   0x07, 123,  10,   1,    2,    3,    0x1F, 0x90, 9, 9};
    DeviceRecord r;
    ASSERT_TRUE(DecodeFixedSearchReply(reply.data(), reply.size(), r));
    EXPECT_EQ(r.ip, "10.1.2.3");
    EXPECT_EQ(r.version, "2.23");
    EXPECT_EQ(r.mac, "00:1A:2B:3C:4D:5E");
    EXPECT_EQ(r.code1, 48);
    EXPECT_EQ(r.code2, 7);
    EXPECT_EQ(r.port, 8080u);
    EXPECT_TRUE(r.keys.empty());

    for (auto [v, text] : {std::pair<uint8_t, const char *>{0, "1.00"}, {99, "1.99"}, {100, "2.00"}, {255, "3.55"}}) {
        reply[16] = v;
        ASSERT_TRUE(DecodeFixedSearchReply(reply.data(), reply.size(), r));
        EXPECT_EQ(r.version, text);
    }
}

TEST(FamilyASearchReply, RefusesOtherLengthsAndMarkers) {
    Packet reply(25, 0);
    reply[1] = 2;
    reply[3] = 2;
    DeviceRecord r;
    r.ip = "keep";
    EXPECT_FALSE(DecodeFixedSearchReply(reply.data(), 24, r));
    reply.push_back(0);
    EXPECT_FALSE(DecodeFixedSearchReply(reply.data(), reply.size(), r));
    reply.pop_back();
    reply[3] = 3;
    EXPECT_FALSE(DecodeFixedSearchReply(reply.data(), reply.size(), r));
    EXPECT_EQ(r.ip, "keep");
}
