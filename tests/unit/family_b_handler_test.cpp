// The family B handlers without a network: their type and transport tests,
// which replies they accept and what they make of them, the pairs they hand
// out, and the writes that send nothing.
#include <gtest/gtest.h>

#include "core/handlers.h"
#include "devices/family_b/port_dev_types.h"

using namespace vd;
using Bytes = std::vector<uint8_t>;

namespace {

const char *const kMac = "02:00:00:AB:CD:EF";

Bytes Reply(uint8_t block, const Block &data, const Bytes &mac = {0x02, 0x00, 0x00, 0xAB, 0xCD, 0xEF}) {
    Bytes r = {0x00, 0x02, 0x00, 0x02, mac[0], mac[1], mac[2], mac[3], mac[4], mac[5], 0xA1, 0x14, 0x00, 0x02, block};
    r.resize(15 + kBlockSize);
    std::copy(data.begin(), data.end(), r.begin() + 15);
    return r;
}

Block Zeros() {
    Block b;
    b.fill(0);
    return b;
}

// A handler that has asked kMac for its blocks (as RequestInfo leaves it).
template <typename T>
struct Asked : T {
    Asked() {
        this->BuildFieldTable();
        this->m_replyMode = 1;
        this->m_targetMac = kMac;
    }
    int Feed(const Bytes &d) { return this->OnDatagram(d.data(), int(d.size()), "127.0.0.2"); }
};

std::vector<std::pair<CString, CString>> TakeAll(CDevType &h) {
    std::vector<std::pair<CString, CString>> out;
    for (;;) {
        CString key, value;
        if (!h.TakeValue(key, value)) return out;
        out.emplace_back(key, value);
    }
}

}  // namespace

TEST(FamilyBHandler, EachModelTakesItsOwnTypeOverUdpOnly) {
    struct Model {
        std::unique_ptr<CDevType> handler;
        int type;
    };
    Model models[] = {{MakeFourPortDevType(), 48}, {MakeEightPortDevType(), 64}, {MakeTwoPortDevType(), 56},
                      {MakeOnePortDevType(), 32}};
    for (Model &m : models) {
        CDevType &h = *m.handler;
        EXPECT_EQ(h.m_devType, m.type);
        for (int type : {32, 48, 56, 64, 5, 0})
            EXPECT_EQ(h.IsTypeSupported(type) != 0, type == m.type) << m.type << " asked " << type;
        EXPECT_TRUE(h.IsTypeSupported(m.type + 0x100));
        EXPECT_TRUE(h.IsTransportSupported(1));
        EXPECT_FALSE(h.IsTransportSupported(0));
        EXPECT_FALSE(h.IsTransportSupported(2));
        EXPECT_EQ(h.SearchAll(), 0);
        EXPECT_EQ(h.Search(), 0);
        EXPECT_EQ(h.CanSearch(), 0);
        EXPECT_EQ(h.UsesDatagram(), 1);
        EXPECT_EQ(h.InterceptModify("C1_D1", "invalid"), 0);
    }
}

TEST(FamilyBHandler, ModelsReadTheirBlocks) {
    CEightPortDevType eight;
    EXPECT_EQ(eight.m_blockCount, 9);
    EXPECT_EQ(Bytes(eight.m_blockList, eight.m_blockList + 9), (Bytes{0, 2, 3, 4, 5, 6, 7, 8, 9}));
    COnePortDevType one;
    EXPECT_EQ(Bytes(one.m_blockList, one.m_blockList + one.m_blockCount), (Bytes{0, 2}));
    CTwoPortDevType two;
    EXPECT_EQ(Bytes(two.m_blockList, two.m_blockList + two.m_blockCount), (Bytes{0, 2, 3}));
    CFourPortDevType four;
    EXPECT_EQ(Bytes(four.m_blockList, four.m_blockList + four.m_blockCount), (Bytes{0, 2, 3, 4, 5}));
    for (CMultiPortDevType *h : {static_cast<CMultiPortDevType *>(&one), static_cast<CMultiPortDevType *>(&two),
                                 static_cast<CMultiPortDevType *>(&four), static_cast<CMultiPortDevType *>(&eight)}) {
        EXPECT_EQ(h->m_singleBlock, -1);
        EXPECT_TRUE(h->m_fields.empty());  // built on first use
        h->BuildFieldTable();
        EXPECT_EQ(h->m_fields.size(), 26u + 29u * (h->m_blockCount - 1u));
    }
}

TEST(FamilyBHandler, AReplyAddsItsBlocksKeysInTableOrder) {
    Asked<CFourPortDevType> h;
    Block port = Zeros();
    port[7] = 1;
    port[8] = 5;
    port[9] = 6;
    ASSERT_EQ(h.Feed(Reply(3, port)), 1);
    ASSERT_EQ(h.m_info.keys.size(), 29u);
    EXPECT_EQ(h.m_info.keys.front(), "C2_OP");
    EXPECT_EQ(h.m_info.keys.back(), "C2_CLI_IP4");
    EXPECT_EQ(h.m_info.values[h.m_info.Find("C2_D1")], "5");
    ASSERT_NE(h.m_blocks[3], nullptr);
    EXPECT_EQ(*h.m_blocks[3], port);
    EXPECT_EQ(h.m_replyCount, 1);
    EXPECT_EQ(h.IsBlockReplied(), 1);
    EXPECT_EQ(h.IsInfoComplete(), 0);

    // Handed out in order; hidden keys skipped, D2 "invalid" by its bit.
    const auto pairs = TakeAll(h);
    ASSERT_EQ(pairs.size(), 28u);
    EXPECT_EQ(pairs[3].first, "C2_TCPAT");
    EXPECT_EQ(pairs[4], (std::pair<CString, CString>("C2_D1", "5")));
    EXPECT_EQ(pairs[5], (std::pair<CString, CString>("C2_D2", "invalid")));
    CString key = "COM2_ENABLEST", value;
    EXPECT_EQ(h.TakeValue(key, value), 0);
    EXPECT_EQ(h.m_info.keys, std::vector<CString>{"COM2_ENABLEST"});
}

TEST(FamilyBHandler, RepliesThatAreIgnored) {
    Asked<COnePortDevType> h;
    const Block data = Zeros();
    Bytes shortReply = Reply(0, data);
    shortReply.pop_back();
    EXPECT_EQ(h.Feed(shortReply), 0);
    EXPECT_EQ(h.Feed(Reply(0, data, {0x02, 0x00, 0x00, 0xAB, 0xCD, 0xEE})), 0);
    EXPECT_EQ(h.Feed(Reply(32, data)), 0);
    EXPECT_EQ(h.Feed(Reply(0x81, data)), 0);
    EXPECT_EQ(h.OnDatagram(nullptr, 0, ""), 0);
    EXPECT_EQ(h.OnDatagram(Reply(0, data).data(), -1, ""), 0);
    h.m_replyMode = 0;
    EXPECT_EQ(h.Feed(Reply(0, data)), 0);
    EXPECT_EQ(h.m_replyCount, 0);
    EXPECT_TRUE(h.m_info.keys.empty());
    for (const auto &slot : h.m_blocks) EXPECT_EQ(slot, nullptr);

    // Replies are matched with the two-digit upper-case MAC text.
    h.m_replyMode = 1;
    h.m_targetMac = "02:00:00:ab:cd:ef";
    EXPECT_EQ(h.Feed(Reply(0, data)), 0);
    h.m_targetMac = "2:00:00:AB:CD:EF";
    EXPECT_EQ(h.Feed(Reply(0, data)), 0);
}

TEST(FamilyBHandler, EveryAcceptedReplyCounts) {
    Asked<COnePortDevType> h;
    Block first = Zeros();
    first[0] = 'a';
    Block second = Zeros();
    second[0] = 'b';
    // A block that is not in the model's list is still kept.
    EXPECT_EQ(h.Feed(Reply(31, first)), 1);
    EXPECT_EQ(h.Feed(Reply(0, first)), 1);
    EXPECT_EQ(h.IsInfoComplete(), 1);  // two replies, though block 2 never came
    EXPECT_EQ(h.Feed(Reply(0, second)), 1);
    EXPECT_EQ(h.IsInfoComplete(), 0);
    EXPECT_EQ((*h.m_blocks[0])[0], 'b');
    ASSERT_NE(h.m_blocks[31], nullptr);
    EXPECT_EQ(h.m_info.keys.size(), 52u);  // block 31 has no keys
    EXPECT_EQ(h.m_info.values[0], "a");
    EXPECT_EQ(h.m_info.values[26], "b");
}

TEST(FamilyBHandler, WritesThatSendNothing) {
    Asked<COnePortDevType> h;
    EXPECT_EQ(h.WriteConfig(), 0);  // nothing staged
    h.m_staged.Append("TYPE", "5");
    h.m_staged.Append("C2_BAUD", "9600");  // port 2 is not in a one-port table
    EXPECT_EQ(h.WriteConfig(), 1);
    h.m_staged.Append("NAME", "x");  // block 0 was never received
    EXPECT_EQ(h.WriteConfig(), 1);
    EXPECT_EQ(h.m_blocks[0], nullptr);
}

TEST(FamilyBHandler, OnlyResetIsACommand) {
    COnePortDevType h;
    char param[VD_PARAM_LEN] = "x";
    EXPECT_EQ(h.SendCmd(32, "RESET", param, sizeof param), 0);
    EXPECT_EQ(h.SendCmd(32, "resetdev", param, sizeof param), 0);
    EXPECT_EQ(h.SendCmd(32, nullptr, param, sizeof param), 0);
    EXPECT_STREQ(param, "x");
}
