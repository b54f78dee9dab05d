// Family A items: replies decoded into pairs per type group, and write
// packets built from staged pairs.
#include <gtest/gtest.h>

#include <string>

#include "devices/family_a/decode_items.h"
#include "devices/family_a/write_packet.h"

using namespace vd;

namespace {

using P = std::vector<std::pair<std::string, std::string>>;

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

// Unknown codes, long texts and short items are the hostile reply's of the
// read tests (tests/integration).
TEST(FamilyADecode, ItemsAreReadByTheirLengthBytesAndEndWithTheDatagram) {
    // Their start and end bytes are not looked at. An item reaching past the
    // datagram ends the decoding, and so do trailing bytes too few to hold an
    // item header.
    EXPECT_EQ(Decode({0xA1, 0x08, 0x01, 0x03, 0xFF, 0x00, 0x08, 0x01, 0x05, 0x00, 0xA1, 0x09, 0x10, 0x00}),
              (P{{"C1_OP", "3"}, {"C1_OP", "5"}}));
    EXPECT_EQ(Decode({0xA1, 0x08, 0x01, 0x04, 0xFF, 0xA1, 0x08, 0x01, 0x05}), (P{{"C1_OP", "4"}}));
    EXPECT_EQ(Decode({0xA1, 0x08, 0x01, 0x04, 0xFF, 0xA1, 0x08}), (P{{"C1_OP", "4"}}));
}

TEST(FamilyAWritePacket, OneItemPerStagedKeyOfTheTypesGroupInStagingOrder) {
    DeviceRecord staged;
    staged.code1 = 5;
    // CANBAUD1 is of another group, BOGUS of none.
    staged.keys = {"CANBAUD1", "BOGUS", "C1_TCPAT", "IP"};
    staged.values = {"1000", "1", "80", "10.0.0.2"};
    EXPECT_EQ(BuildWritePacket(staged),
              Padded({0xA1, 0x0B, 0x02, 0x00, 0x50, 0xFF, 0xA1, 0x05, 0x04, 10, 0, 0, 2, 0xFF}));
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
