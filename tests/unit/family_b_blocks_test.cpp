// The family B block reply's layout, and a handler that reads replies without
// a network: what it keeps of them, and the writes that send nothing. Reads and
// confirmed writes under lost, repeated and stray replies are the
// family_b_exchange fuzz target's.
#include <gtest/gtest.h>

#include "bytes.h"
#include "devices/family_b/family_b_handler.h"

using namespace vd;

namespace {

const char *const kMac = "02:00:00:AB:CD:EF";
const Bytes kStartAndMac = {0x00, 0x02, 0x00, 0x02, 0x02, 0x00, 0x00, 0xAB, 0xCD, 0xEF};

// A reply for block from kMac whose data is first, then zeros.
Bytes Reply(uint8_t block, uint8_t first = 0) {
    Bytes r = Cat(kStartAndMac, {0xA1, 0x14, 0x00, 0x02, block, first});
    r.resize(kBlockReplySize, 0);
    return r;
}

// A one-port handler that has asked kMac for its blocks (as RequestInfo
// leaves it).
struct Asked : FamilyBHandler {
    Asked() : FamilyBHandler(*FindFamilyBModel(32)) {
        m_replyMode = ReplyMode::Info;
        m_request.targetMac = kMac;
        m_read.Start(kMac, BlockBit(0) | BlockBit(2));
    }
    bool Feed(const Bytes &d) { return OnDatagram(d.data(), int(d.size()), "127.0.0.2"); }
    const BlockSlots &Blocks() const { return m_blocks; }
    const DeviceRecord &Info() const { return m_info; }
};

}  // namespace

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

TEST(FamilyBHandler, EachBlockCountsOnceAndKeepsItsFirstCopy) {
    Asked h;
    // One past the 32 slots, and a block not asked for, are not taken.
    EXPECT_FALSE(h.Feed(Reply(32)));
    EXPECT_FALSE(h.Feed(Reply(31, 'a')));
    Bytes other = Reply(0, 'x');
    other[9] = 0xEE;  // another device's
    EXPECT_FALSE(h.Feed(other));
    EXPECT_TRUE(h.Feed(Reply(0, 'a')));
    EXPECT_FALSE(h.IsBlockReplied());
    EXPECT_FALSE(h.Feed(Reply(0, 'b')));  // a duplicate: block 2 is still missing
    EXPECT_FALSE(h.IsInfoComplete());
    EXPECT_TRUE(h.Feed(Reply(2, 'c')));
    EXPECT_TRUE(h.IsInfoComplete());
    EXPECT_EQ((*h.Blocks()[0])[0], 'a');
    EXPECT_EQ(h.Blocks()[31], nullptr);
    EXPECT_EQ(h.Info().keys.size(), 26u + 29u);  // each block's keys once
    EXPECT_EQ(h.Info().values[0], "a");
}

TEST(FamilyBHandler, WritesThatSendNothing) {
    Asked h;
    RequestRecord request;
    request.transport = 1;
    request.targetMac = kMac;
    const WriteOutcome none = h.WriteConfig(request);  // nothing staged
    EXPECT_TRUE(none.confirmed);
    EXPECT_EQ(none.lastSent, SteadyClock::time_point());
    h.Stage("TYPE", "5");
    h.Stage("C2_BAUD", "9600");  // port 2 is not in a one-port table
    const WriteOutcome unknown = h.WriteConfig(request);
    EXPECT_TRUE(unknown.confirmed);
    EXPECT_EQ(unknown.lastSent, SteadyClock::time_point());
    EXPECT_EQ(h.Blocks()[0], nullptr);
}
