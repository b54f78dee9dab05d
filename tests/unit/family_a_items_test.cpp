// The family A item table: replies decoded into pairs per type group, write
// packets built from staged pairs, and the datagram commands.
#include <gtest/gtest.h>

#include "devices/family_a/datagram_command.h"
#include "devices/family_a/decode_items.h"
#include "devices/family_a/write_packet.h"

using namespace vd;

namespace {

void Item(Packet &p, uint8_t code, std::initializer_list<uint8_t> data) {
    Packet d(data);
    AppendItem(p, code, d.data(), uint8_t(d.size()));
}

std::vector<std::pair<CString, CString>> Pairs(const DeviceRecord &r) {
    std::vector<std::pair<CString, CString>> out;
    for (size_t i = 0; i < r.keys.size(); ++i) out.emplace_back(r.keys[i], r.values[i]);
    return out;
}

using P = std::vector<std::pair<CString, CString>>;

Packet operator+(Packet a, const Packet &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The items whose codes mean different keys in the three type groups.
Packet SharedCodes(uint8_t type) {
    Packet p;
    Item(p, 0x01, {type});
    Item(p, 0x0B, {0x00, 0x00, 0x00, 0x50});
    Item(p, 0x0C, {0xFF, 0xFF, 0xFF, 0xFF});
    Item(p, 0x1E, {0x00, 0x10});
    Item(p, 0x20, {0x07});  // one byte: a word takes the end marker as its low byte
    Item(p, 0x22, {0x01, 0x02});
    Item(p, 0x23, {0x01});
    return p;
}

}  // namespace

TEST(FamilyADecode, SerialGroup) {
    DeviceRecord r;
    const Packet p = SharedCodes(1);
    DecodeItems(p.data(), p.size(), r);
    EXPECT_EQ(r.code1, 1);
    EXPECT_EQ(Pairs(r), (P{{"TYPE", "1"}, {"C1_TCPAT", "0"}, {"COM1_ENABLEST", "255"},
                           {"C1_TCP_CLS", "0"}, {"VERSION", "7"}, {"WEB_PORT", "258"}}));
}

TEST(FamilyADecode, TenTGroupSkipsTheWriteOnlyItem) {
    DeviceRecord r;
    const Packet p = SharedCodes(7);
    DecodeItems(p.data(), p.size(), r);
    EXPECT_EQ(Pairs(r), (P{{"TYPE", "7"}, {"C1_TCPAT", "0"}, {"COM1_ENABLEST", "255"},
                           {"PACKETINT", "16"}, {"VERSION", "7"}, {"10TIO", "1"}}));
}

TEST(FamilyADecode, CanGroupReadsDwordsUnsigned) {
    DeviceRecord r;
    const Packet p = SharedCodes(17);
    DecodeItems(p.data(), p.size(), r);
    EXPECT_EQ(Pairs(r), (P{{"TYPE", "17"}, {"CANSTDFTID", "80"}, {"CANSTDFTIDAREA", "4294967295"},
                           {"C1_TCP_CLS", "0"}, {"CANDESPORT2", "2047"}, {"WEB_PORT", "258"}}));
}

TEST(FamilyADecode, TypeAppliesOnlyToTheItemsAfterIt) {
    DeviceRecord r;
    r.code1 = 17;  // left by an earlier reply
    Packet p;
    Item(p, 0x0B, {0, 0, 0, 1});
    Item(p, 0x01, {5});
    Item(p, 0x0B, {0, 2});
    Item(p, 0x04, {1, 2, 3, 4, 5, 6});
    DecodeItems(p.data(), p.size(), r);
    EXPECT_EQ(Pairs(r), (P{{"CANSTDFTID", "1"}, {"TYPE", "5"}, {"C1_TCPAT", "2"}, {"MAC", "01:02:03:04:05:06"}}));
    EXPECT_EQ(r.code1, 5);
    EXPECT_EQ(r.mac, "01:02:03:04:05:06");
}

TEST(FamilyADecode, HostileItemsAreSkippedOrCut) {
    DeviceRecord r;
    Packet p;
    Item(p, 0x99, {1, 2, 3});           // unknown code
    Item(p, 0x02, {});                  // empty name
    Item(p, 0x13, {});                  // byte read from the end marker
    Packet longName(60, 'n');
    AppendItem(p, 0x03, longName.data(), uint8_t(longName.size()));
    Item(p, 0x05, {127, 0, 0, 1});
    Item(p, 0x04, {});                  // a MAC needs 6 bytes, only the end marker is left
    DecodeItems(p.data(), p.size(), r);
    EXPECT_EQ(Pairs(r), (P{{"NAME", ""}, {"IP_MODE", "255"}, {"PASS", CString(49, 'n')}, {"IP", "127.0.0.1"}}));
    EXPECT_EQ(r.mac, "");

    // An item claiming more bytes than the datagram holds ends the decoding.
    DeviceRecord cut;
    Packet q;
    Item(q, 0x08, {3});
    q.insert(q.end(), {0xA1, 0x09, 0x10, 0x00});
    DecodeItems(q.data(), q.size(), cut);
    EXPECT_EQ(Pairs(cut), (P{{"C1_OP", "3"}}));
    // Trailing bytes too few to hold an item header.
    q = {0xA1, 0x08, 0x01, 0x04, 0xFF, 0xA1, 0x08};
    DeviceRecord tail;
    DecodeItems(q.data(), q.size(), tail);
    EXPECT_EQ(Pairs(tail), (P{{"C1_OP", "4"}}));
}

TEST(FamilyAWritePacket, OneItemPerStagedKeyInStagingOrder) {
    DeviceRecord staged;
    staged.code1 = 5;
    staged.Append("NAME", "abc");
    staged.Append("MAC", "00:11:22:33:44:55");   // read only
    staged.Append("CANBAUD1", "1000");           // another group
    staged.Append("BOGUS", "1");
    staged.Append("C1_TCPAT", "80");
    staged.Append("IP", "10.0.0.2");
    EXPECT_EQ(BuildWritePacket(staged),
              (Packet{0xA1, 0x02, 0x0A, 'a', 'b', 'c', 0, 0, 0, 0, 0, 0, 0, 0xFF,  //
                      0xA1, 0x0B, 0x02, 0x00, 0x50, 0xFF,                         //
                      0xA1, 0x05, 0x04, 10, 0, 0, 2, 0xFF}));

    staged.code1 = 18;
    staged.ClearPairs();
    staged.Append("CANBAUD1", "1000");
    EXPECT_EQ(BuildWritePacket(staged), (Packet{0xA1, 0x0F, 0x04, 0x00, 0x00, 0x03, 0xE8, 0xFF}) +
                                            Packet(15, 0xFF));
}

TEST(FamilyAWritePacket, PaddingAndNothingToSend) {
    DeviceRecord staged;
    staged.Append("C1_DEVADC", "100");
    EXPECT_EQ(BuildWritePacket(staged), (Packet{0xA1, 0x1D, 0x04, 0x00, 0x64, 0x00, 0x00, 0xFF}) + Packet(15, 0xFF));

    staged.ClearPairs();
    staged.Append("MAC", "00:11:22:33:44:55");
    EXPECT_TRUE(BuildWritePacket(staged).empty());
}

TEST(FamilyAWritePacket, NeverExceedsTheOutgoingBuffer) {
    DeviceRecord staged;
    for (int i = 0; i < 40; ++i) staged.Append("NAME", "0123456789");  // 14 bytes each
    const Packet p = BuildWritePacket(staged);
    EXPECT_EQ(p.size(), 18u * 14u);
    EXPECT_LE(p.size(), kMaxWritePacket);
}

TEST(FamilyADatagramCommand, ExactBytes) {
    const Packet pad(15, 0xFF);
    EXPECT_EQ(BuildDatagramCommand(5, "RESETDEV", "1"), (Packet{0xA1, 0x1B, 0x01, 0x01, 0xFF}) + pad);
    EXPECT_EQ(BuildDatagramCommand(3, "10TCTRLIO", "258"), (Packet{0xA1, 0x23, 0x01, 0x02, 0xFF}) + pad);
    EXPECT_EQ(BuildDatagramCommand(7, "RESETDEV10T", "x"), (Packet{0xA1, 0x25, 0x01, 0x00, 0xFF}) + pad);
    EXPECT_TRUE(BuildDatagramCommand(3, "RESETDEV10T", "1").empty());
    EXPECT_TRUE(BuildDatagramCommand(9, "RESETDEV10T", "1").empty());
    EXPECT_TRUE(BuildDatagramCommand(5, "GETADC", "").empty());
    EXPECT_TRUE(BuildDatagramCommand(5, "resetdev", "1").empty());
    EXPECT_EQ(BuildDatagramCommand(5, "RESETDEV", nullptr), (Packet{0xA1, 0x1B, 0x01, 0x00, 0xFF}) + pad);
}
