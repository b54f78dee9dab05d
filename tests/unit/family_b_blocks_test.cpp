// The family B block datagrams byte for byte, the state of a read and of a
// confirmed write fed replies, and a handler that reads the replies without a
// network: what it keeps of them, and the writes that send nothing.
#include <gtest/gtest.h>

#include "devices/family_b/family_b_handler.h"

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

BlockReply Parsed(const Bytes &d) {
    BlockReply reply;
    EXPECT_TRUE(ParseBlockReply(d.data(), d.size(), reply));
    return reply;
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

TEST(FamilyBRead, EachBlockAskedForCountsOnceFromTheDeviceAsked) {
    BlockRead read;
    EXPECT_FALSE(read.Complete());  // nothing asked for
    read.Start(kMac, BlockBit(0) | BlockBit(3));
    EXPECT_EQ(read.Missing(), BlockBit(0) | BlockBit(3));
    EXPECT_FALSE(read.Take(Parsed(Reply(2))));  // not asked for
    BlockReply other = Parsed(Reply(0));
    other.mac = "02:00:00:AB:CD:EE";
    EXPECT_FALSE(read.Take(other));
    EXPECT_TRUE(read.Take(Parsed(Reply(3))));
    EXPECT_FALSE(read.Take(Parsed(Reply(3))));  // again: no stand-in for block 0
    EXPECT_FALSE(read.Complete());
    EXPECT_EQ(read.Missing(), BlockBit(0));
    EXPECT_TRUE(read.Take(Parsed(Reply(0))));
    EXPECT_TRUE(read.Complete());
    // A new read forgets what came for the last one.
    read.Start(kMac, BlockBit(3));
    EXPECT_FALSE(read.Complete());
    EXPECT_EQ(BlocksOf(BlockBit(0) | BlockBit(3) | BlockBit(31)), (std::vector<uint8_t>{0, 3, 31}));
    EXPECT_EQ(BlockBit(32), 0u);
}

TEST(FamilyBWrite, ABlockIsConfirmedOnlyByExactlyTheBytesWritten) {
    Block before{}, after{};
    after[10] = 0x25;
    BlockWrite write(kMac);
    write.Add(2, before, after);
    write.Add(0, before, before);
    EXPECT_EQ(write.Blocks(), (std::vector<uint8_t>{0, 2}));
    BlockReply reply = Parsed(Reply(2));
    EXPECT_FALSE(write.Confirm(reply));  // still the old bytes
    reply.data = after;
    reply.block = 3;
    EXPECT_FALSE(write.Confirm(reply));  // another block
    reply.block = 2;
    reply.mac = "02:00:00:AB:CD:EE";
    EXPECT_FALSE(write.Confirm(reply));  // another device
    reply.mac = kMac;
    EXPECT_TRUE(write.Confirm(reply));
    EXPECT_TRUE(write.Confirmed(2));
    EXPECT_FALSE(write.AllConfirmed());
    EXPECT_TRUE(write.Confirm(Parsed(Reply(0))));
    EXPECT_TRUE(write.AllConfirmed());
    EXPECT_EQ(write.Before(2), before);
    EXPECT_EQ(write.After(2), after);
}

TEST(FamilyBHandler, EachBlockCountsOnceAndKeepsItsFirstCopy) {
    Asked h;
    // One past the 32 slots, and a block not asked for, are not taken.
    EXPECT_FALSE(h.Feed(Reply(32)));
    EXPECT_FALSE(h.Feed(Reply(31, 'a')));
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
