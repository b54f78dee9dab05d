// The family B block datagrams byte for byte, and a handler that reads the
// replies without a network: what it keeps of them, and the writes that send
// nothing.
#include <gtest/gtest.h>

#include "devices/family_b/multi_port_dev_type.h"

using namespace vd;
using Bytes = std::vector<uint8_t>;

namespace {

const char *const kMac = "02:00:00:AB:CD:EF";
const Bytes kStartAndMac = {0x00, 0x02, 0x00, 0x02, 0x02, 0x00, 0x00, 0xAB, 0xCD, 0xEF};

Bytes Cat(Bytes a, const Bytes &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A reply for block from kMac whose data is first, then zeros.
Bytes Reply(uint8_t block, uint8_t first = 0) {
    Bytes r = Cat(kStartAndMac, {0xA1, 0x14, 0x00, 0x02, block, first});
    r.resize(kBlockReplySize, 0);
    return r;
}

// A one-port handler that has asked kMac for its blocks (as RequestInfo
// leaves it).
struct Asked : CMultiPortDevType {
    Asked() : CMultiPortDevType(*FindFamilyBModel(32)) {
        m_replyMode = 1;
        m_request.targetMac = kMac;
    }
    int Feed(const Bytes &d) { return OnDatagram(d.data(), int(d.size()), "127.0.0.2"); }
};

}  // namespace

TEST(FamilyBProtocol, RequestsByteForByte) {
    EXPECT_EQ(ReadRequest(kMac, 3), Cat(kStartAndMac, {0xA1, 0x14, 0x00, 0x02, 0x03, 0x00, 0xFF}));
    EXPECT_EQ(RestartRequest(kMac), Cat(kStartAndMac, {0xA1, 0x14, 0x00, 0x02, 0x81, 0x00, 0xFF}));
    Block data;
    for (size_t i = 0; i < kBlockSize; ++i) data[i] = uint8_t(i);
    const Bytes w = WriteRequest(kMac, 2, data);
    ASSERT_EQ(w.size(), 274u);
    EXPECT_EQ(Bytes(w.begin(), w.begin() + 16), Cat(kStartAndMac, {0xA1, 0xFE, 0x01, 0x03, 0x02, 0x00}));
    EXPECT_EQ(Bytes(w.begin() + 16, w.begin() + 272), Bytes(data.begin(), data.end()));
    EXPECT_EQ(Bytes(w.begin() + 272, w.end()), (Bytes{0x00, 0xFF}));
    // MAC text: lower case, single digits and numbers past a byte give the
    // same bytes; missing numbers give 0.
    EXPECT_EQ(ReadRequest("102:0:0:ab:cd:1ef", 0), ReadRequest(kMac, 0));
    const Bytes partial = ReadRequest("12:34:zz", 0);
    EXPECT_EQ(Bytes(partial.begin() + 4, partial.begin() + 10), (Bytes{0x12, 0x34, 0, 0, 0, 0}));
}

TEST(FamilyBProtocol, ReplyDataStartsAtOffsetFifteen) {
    Bytes r = Cat(kStartAndMac, {0x55, 0x14, 0x00, 0x02, 2});  // bytes 10 to 13 are not examined
    for (size_t i = 0; i < kBlockSize; ++i) r.push_back(uint8_t(255 - i));
    r.push_back(0x99);  // a longer datagram is read as far as needed
    BlockReply reply;
    ASSERT_TRUE(ParseBlockReply(r.data(), r.size(), reply));
    EXPECT_EQ(reply.mac, kMac);
    EXPECT_EQ(reply.block, 2);
    EXPECT_EQ(reply.data[0], 255);
    EXPECT_EQ(reply.data[255], 0);
    EXPECT_FALSE(ParseBlockReply(r.data(), kBlockReplySize - 1, reply));
    EXPECT_FALSE(ParseBlockReply(nullptr, 300, reply));
    r[3] = 0x03;
    EXPECT_FALSE(ParseBlockReply(r.data(), r.size(), reply));
}

TEST(FamilyBHandler, EveryAcceptedReplyCountsAndKeepsTheLastCopy) {
    Asked h;
    // A block that is not in the model's list is still kept; one past the
    // 32 slots is not.
    EXPECT_EQ(h.Feed(Reply(32)), 0);
    EXPECT_EQ(h.Feed(Reply(31, 'a')), 1);
    EXPECT_EQ(h.Feed(Reply(0, 'a')), 1);
    EXPECT_EQ(h.IsInfoComplete(), 1);  // two replies, though block 2 never came
    EXPECT_EQ(h.Feed(Reply(0, 'b')), 1);
    EXPECT_EQ(h.IsInfoComplete(), 0);
    EXPECT_EQ((*h.m_blocks[0])[0], 'b');
    ASSERT_NE(h.m_blocks[31], nullptr);
    EXPECT_EQ(h.m_info.keys.size(), 52u);  // block 31 has no keys
    EXPECT_EQ(h.m_info.values[0], "a");
    EXPECT_EQ(h.m_info.values[26], "b");
}

TEST(FamilyBHandler, WritesThatSendNothing) {
    Asked h;
    EXPECT_EQ(h.WriteConfig(), 0);  // nothing staged
    h.m_staged.Append("TYPE", "5");
    h.m_staged.Append("C2_BAUD", "9600");  // port 2 is not in a one-port table
    h.m_staged.Append("NAME", "x");        // block 0 was never received
    EXPECT_EQ(h.WriteConfig(), 1);
    EXPECT_EQ(h.m_blocks[0], nullptr);
}
