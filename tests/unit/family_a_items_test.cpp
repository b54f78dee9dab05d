// Family A items: replies decoded into pairs per type group, the handler's
// reply dispatch, write packets built from staged pairs, and the datagram
// commands. The handler runs without sockets: an unopened request socket's
// host is "".
#include <gtest/gtest.h>

#include "devices/family_a/datagram_command.h"
#include "devices/family_a/decode_items.h"
#include "devices/family_a/item_dev_type.h"
#include "devices/family_a/write_packet.h"

using namespace vd;

namespace {

using P = std::vector<std::pair<CString, CString>>;

Packet Items(std::initializer_list<std::pair<uint8_t, Packet>> items) {
    Packet p;
    for (const auto &[code, data] : items) AppendItem(p, code, data.data(), uint8_t(data.size()));
    return p;
}

P Decode(const Packet &p, uint8_t type = 0) {
    DeviceRecord r;
    r.code1 = type;
    DecodeItems(p.data(), p.size(), r);
    P out;
    for (size_t i = 0; i < r.keys.size(); ++i) out.emplace_back(r.keys[i], r.values[i]);
    return out;
}

Packet Padded(Packet p) {
    p.resize(p.size() + 15, 0xFF);
    return p;
}

int Feed(CItemDevType &h, const Packet &p, const char *from) { return h.OnDatagram(p.data(), int(p.size()), from); }

}  // namespace

TEST(FamilyADecode, SharedCodesMeanTheKeysOfTheTypesGroup) {
    const struct { uint8_t type; P pairs; } groups[] = {
        {1, {{"TYPE", "1"}, {"C1_TCPAT", "0"}, {"COM1_ENABLEST", "255"}, {"C1_TCP_CLS", "0"}, {"VERSION", "7"},
             {"WEB_PORT", "258"}}},
        // The write-only 0x23 is skipped.
        {7, {{"TYPE", "7"}, {"C1_TCPAT", "0"}, {"COM1_ENABLEST", "255"}, {"PACKETINT", "16"}, {"VERSION", "7"},
             {"10TIO", "1"}}},
        {17, {{"TYPE", "17"}, {"CANSTDFTID", "80"}, {"CANSTDFTIDAREA", "4294967295"}, {"C1_TCP_CLS", "0"},
              {"CANDESPORT2", "2047"}, {"WEB_PORT", "258"}}}};
    for (const auto &g : groups) {
        // 0x20 has one byte: a word takes the end marker as its low byte.
        const Packet p = Items({{0x01, {g.type}}, {0x0B, {0, 0, 0, 0x50}}, {0x0C, {0xFF, 0xFF, 0xFF, 0xFF}},
                                {0x1E, {0x00, 0x10}}, {0x20, {0x07}}, {0x22, {0x01, 0x02}}, {0x23, {0x01}}});
        EXPECT_EQ(Decode(p), g.pairs) << "type " << int(g.type);
    }
    // The type applies only to the items after it.
    EXPECT_EQ(Decode(Items({{0x0B, {0, 0, 0, 1}}, {0x01, {5}}, {0x0B, {0, 2}}}), 17),
              (P{{"CANSTDFTID", "1"}, {"TYPE", "5"}, {"C1_TCPAT", "2"}}));
}

TEST(FamilyADecode, HostileItemsAreSkippedOrCut) {
    // Unknown code, empty name, a byte read from the end marker, a long text,
    // a MAC with only the end marker left for its 6 bytes.
    const Packet p = Items({{0x99, {1, 2, 3}}, {0x02, {}}, {0x13, {}}, {0x03, Packet(60, 'n')},
                            {0x05, {127, 0, 0, 1}}, {0x04, {}}});
    EXPECT_EQ(Decode(p), (P{{"NAME", ""}, {"IP_MODE", "255"}, {"PASS", CString(49, 'n')}, {"IP", "127.0.0.1"}}));
    // Items are read by their length bytes; their start and end bytes are
    // not looked at. An item reaching past the datagram ends the decoding,
    // and so do trailing bytes too few to hold an item header.
    EXPECT_EQ(Decode({0xA1, 0x08, 0x01, 0x03, 0xFF, 0x00, 0x08, 0x01, 0x05, 0x00, 0xA1, 0x09, 0x10, 0x00}),
              (P{{"C1_OP", "3"}, {"C1_OP", "5"}}));
    EXPECT_EQ(Decode({0xA1, 0x08, 0x01, 0x04, 0xFF, 0xA1, 0x08, 0x01, 0x05}), (P{{"C1_OP", "4"}}));
    EXPECT_EQ(Decode({0xA1, 0x08, 0x01, 0x04, 0xFF, 0xA1, 0x08}), (P{{"C1_OP", "4"}}));
}

TEST(FamilyAHandler, ASearchTakesBothReplyFormsAndListsEveryItemReply) {
    CItemDevType h;
    h.m_replyMode = 0;
    Packet fixed(25, 0);  // from 10.0.0.0
    fixed[1] = fixed[3] = 2;
    fixed[17] = 10;
    EXPECT_EQ(Feed(h, fixed, "127.0.0.9"), 1);
    // 25 bytes with another start go to the item path and fail its frame check.
    fixed[0] = 0xA1;
    EXPECT_EQ(Feed(h, fixed, "127.0.0.9"), 0);
    // An item list with no known item still lists the sender.
    EXPECT_EQ(Feed(h, Items({{0x77, {1}}}), "127.0.0.8"), 1);
    EXPECT_EQ(Feed(h, Items({{0x01, {9}}}), "127.0.0.7"), 1);
    std::vector<CString> found;
    for (const auto &r : h.m_results) found.push_back(r->ip + " " + std::to_string(r->code1));
    EXPECT_EQ(found, (std::vector<CString>{"10.0.0.0 0", "127.0.0.8 0", "127.0.0.7 9"}));
}

TEST(FamilyAHandler, AnInformationRequestTakesOnlyItemsFromTheAddressAsked) {
    CItemDevType h;
    h.m_replyMode = 1;
    const Packet reply = Items({{0x01, {5}}, {0x08, {2}}});
    EXPECT_EQ(Feed(h, reply, "127.0.0.9"), 0);
    EXPECT_EQ(Feed(h, reply, ""), 1);
    EXPECT_EQ(Feed(h, reply, nullptr), 1);  // replies add up
    EXPECT_EQ(h.m_info.keys, (std::vector<CString>{"TYPE", "C1_OP", "TYPE", "C1_OP"}));
    Packet fixed(25, 0);  // a fixed search reply is not taken outside a search
    fixed[1] = fixed[3] = 2;
    EXPECT_EQ(Feed(h, fixed, ""), 0);
    EXPECT_EQ(h.OnDatagram(reply.data(), 0, ""), 0);
    EXPECT_EQ(h.OnDatagram(nullptr, 5, ""), 0);
    for (int mode : {2, 3, -1}) {  // answers to a write are not read
        h.m_replyMode = mode;
        EXPECT_EQ(Feed(h, reply, ""), 0) << mode;
    }
    EXPECT_EQ(h.m_info.keys.size(), 4u);
    EXPECT_TRUE(h.m_results.empty());
}

TEST(FamilyAWritePacket, OneItemPerStagedKeyOfTheTypesGroupInStagingOrder) {
    DeviceRecord staged;
    staged.code1 = 5;
    // MAC is read only, CANBAUD1 of another group, BOGUS of none.
    staged.keys = {"NAME", "MAC", "CANBAUD1", "BOGUS", "C1_TCPAT", "IP"};
    staged.values = {"abc", "00:11:22:33:44:55", "1000", "1", "80", "10.0.0.2"};
    EXPECT_EQ(BuildWritePacket(staged), (Packet{0xA1, 0x02, 0x0A, 'a', 'b', 'c', 0, 0, 0, 0, 0, 0, 0, 0xFF,  //
                                                0xA1, 0x0B, 0x02, 0x00, 0x50, 0xFF,                         //
                                                0xA1, 0x05, 0x04, 10, 0, 0, 2, 0xFF}));
    staged.code1 = 18;
    staged.ClearPairs();
    staged.Append("CANBAUD1", "1000");
    EXPECT_EQ(BuildWritePacket(staged), Padded({0xA1, 0x0F, 0x04, 0x00, 0x00, 0x03, 0xE8, 0xFF}));
    // Items that would not fit the outgoing buffer are left out.
    staged.ClearPairs();
    for (int i = 0; i < 40; ++i) staged.Append("NAME", "0123456789");  // 14 bytes each
    const Packet p = BuildWritePacket(staged);
    EXPECT_EQ(p.size(), 18u * 14u);
    EXPECT_LE(p.size(), kMaxWritePacket);
}

TEST(FamilyADatagramCommand, OnePaddedItemForAKnownNameAndType) {
    EXPECT_EQ(BuildDatagramCommand(7, "RESETDEV10T", "x"), Padded({0xA1, 0x25, 0x01, 0x00, 0xFF}));
    EXPECT_EQ(BuildDatagramCommand(5, "RESETDEV", nullptr), Padded({0xA1, 0x1B, 0x01, 0x00, 0xFF}));
    EXPECT_TRUE(BuildDatagramCommand(3, "RESETDEV10T", "1").empty());
    EXPECT_TRUE(BuildDatagramCommand(5, "resetdev", "1").empty());
    EXPECT_TRUE(BuildDatagramCommand(5, nullptr, "1").empty());
}
