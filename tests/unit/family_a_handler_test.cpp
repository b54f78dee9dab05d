// CItemDevType's reply dispatch and key hooks, without sockets: an unopened
// request socket's host is "".
#include <gtest/gtest.h>

#include "devices/family_a/item_dev_type.h"

using namespace vd;

namespace {

Packet Items(std::initializer_list<std::pair<uint8_t, Packet>> items) {
    Packet p;
    for (const auto &[code, data] : items) AppendItem(p, code, data.data(), uint8_t(data.size()));
    return p;
}

int Feed(CItemDevType &h, const Packet &p, const char *from) { return h.OnDatagram(p.data(), int(p.size()), from); }

}  // namespace

TEST(FamilyAHandler, TypesAndTransports) {
    CItemDevType h;
    for (int t : {1, 2, 3, 4, 5, 6, 7, 8, 9, 17, 18, 19, 33}) EXPECT_TRUE(h.IsTypeSupported(t)) << t;
    for (int t : {0, 10, 16, 20, 32, 48, 56, 64, 0x101}) EXPECT_FALSE(h.IsTypeSupported(t)) << t;
    EXPECT_TRUE(h.IsTransportSupported(0));
    EXPECT_TRUE(h.IsTransportSupported(1));
    EXPECT_TRUE(h.CanSearch());
}

TEST(FamilyAHandler, SearchModeTakesBothReplyForms) {
    CItemDevType h;
    h.m_replyMode = 0;
    Packet fixed(25, 0);
    fixed[1] = fixed[3] = 2;
    fixed[14] = 33;
    fixed[17] = 10;
    EXPECT_EQ(Feed(h, fixed, "127.0.0.9"), 1);
    // 25 bytes with another start go to the item path and fail its frame check.
    fixed[0] = 0xA1;
    EXPECT_EQ(Feed(h, fixed, "127.0.0.9"), 0);
    // An item list with no known item still lists the sender.
    EXPECT_EQ(Feed(h, Items({{0x77, {1}}}), "127.0.0.8"), 1);
    EXPECT_EQ(Feed(h, Items({{0x01, {9}}, {0x04, {1, 2, 3, 4, 5, 6}}}), "127.0.0.7"), 1);
    ASSERT_EQ(h.m_results.size(), 3u);
    auto it = h.m_results.begin();
    EXPECT_EQ((*it)->ip, "10.0.0.0");
    EXPECT_EQ((*it)->code1, 33);
    ++it;
    EXPECT_EQ((*it)->ip, "127.0.0.8");
    EXPECT_EQ((*it)->code1, 0);
    EXPECT_TRUE((*it)->keys.empty());
    ++it;
    EXPECT_EQ((*it)->ip, "127.0.0.7");
    EXPECT_EQ((*it)->code1, 9);
    EXPECT_EQ((*it)->mac, "01:02:03:04:05:06");
    EXPECT_EQ((*it)->version, "");
}

TEST(FamilyAHandler, InformationModeAcceptsOnlyTheAddressAsked) {
    CItemDevType h;
    h.m_replyMode = 1;
    const Packet reply = Items({{0x01, {5}}, {0x08, {2}}});
    EXPECT_EQ(Feed(h, reply, "127.0.0.9"), 0);
    EXPECT_TRUE(h.m_info.keys.empty());
    EXPECT_EQ(Feed(h, reply, ""), 1);
    EXPECT_EQ(Feed(h, reply, nullptr), 1);  // replies add up
    EXPECT_EQ(h.m_info.keys, (std::vector<CString>{"TYPE", "C1_OP", "TYPE", "C1_OP"}));
    EXPECT_EQ(h.m_info.code1, 5);
    EXPECT_TRUE(h.IsInfoComplete());
    // A fixed search reply is not taken outside a search.
    Packet fixed(25, 0);
    fixed[1] = fixed[3] = 2;
    EXPECT_EQ(Feed(h, fixed, ""), 0);
    EXPECT_TRUE(h.m_results.empty());
}

TEST(FamilyAHandler, WriteAndOtherModesReadNothing) {
    CItemDevType h;
    const Packet reply = Items({{0x01, {5}}});
    for (int mode : {2, 3, -1}) {
        h.m_replyMode = mode;
        EXPECT_EQ(Feed(h, reply, ""), 0);
    }
    EXPECT_TRUE(h.m_info.keys.empty());
    EXPECT_TRUE(h.m_results.empty());
    EXPECT_EQ(h.OnDatagram(reply.data(), 0, ""), 0);
    EXPECT_EQ(h.OnDatagram(nullptr, 5, ""), 0);
}

TEST(FamilyAHandler, DatagramsAreReadToTheReceiveBufferOnly) {
    CItemDevType h;
    h.m_replyMode = 1;
    Packet big;
    while (big.size() < 2045) big.insert(big.end(), {0xA1, 0x1F, 0x01, 0x02, 0xFF});
    big.insert(big.end(), {0xA1, 0x21, 0x01, 0x03, 0xFF});  // bytes 2045-2049
    EXPECT_EQ(Feed(h, big, ""), 1);
    EXPECT_EQ(h.m_info.keys.back(), "C1_BUF_CLS");
}

TEST(FamilyAHandler, TakeValueUsesTheFamilyRules) {
    CItemDevType h;
    h.m_info.Append("COM1_ENABLEST", "1");
    h.m_info.Append("C1_D2", "6");
    h.m_info.Append("IP_MODE", "0");
    CString key, value;
    EXPECT_TRUE(h.TakeValue(key, value));
    EXPECT_EQ(key + "=" + value, "C1_D2=invalid");
    key.clear();
    EXPECT_TRUE(h.TakeValue(key, value));
    EXPECT_EQ(key + "=" + value, "IP_MODE=1");
    key.clear();
    EXPECT_FALSE(h.TakeValue(key, value));
}
