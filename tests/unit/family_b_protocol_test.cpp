// The family B datagrams: read, restart and write requests byte for byte,
// and which block replies are read.
#include <gtest/gtest.h>

#include "devices/family_b/block_protocol.h"

using namespace vd;
using Bytes = std::vector<uint8_t>;

namespace {

const Bytes kStartAndMac = {0x00, 0x02, 0x00, 0x02, 0x02, 0x00, 0x00, 0xAB, 0xCD, 0xEF};

Bytes Cat(Bytes a, const Bytes &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Reply(uint8_t block, uint8_t fill, size_t size = kBlockReplySize) {
    Bytes r = Cat(kStartAndMac, {0xA1, 0x14, 0x00, 0x02, block});
    r.resize(size, fill);
    return r;
}

}  // namespace

TEST(FamilyBProtocol, ReadAndRestartRequests) {
    EXPECT_EQ(ReadRequest("02:00:00:AB:CD:EF", 3), Cat(kStartAndMac, {0xA1, 0x14, 0x00, 0x02, 0x03, 0x00, 0xFF}));
    EXPECT_EQ(RestartRequest("02:00:00:AB:CD:EF"), Cat(kStartAndMac, {0xA1, 0x14, 0x00, 0x02, 0x81, 0x00, 0xFF}));
    EXPECT_EQ(ReadRequest("02:00:00:AB:CD:EF", 0).size(), kReadRequestSize);
}

TEST(FamilyBProtocol, MacTextForms) {
    // Lower case and single digits read as the same bytes.
    EXPECT_EQ(ReadRequest("2:0:0:ab:cd:ef", 0), ReadRequest("02:00:00:AB:CD:EF", 0));
    // The low byte of each number.
    EXPECT_EQ(ReadRequest("102:0:0:ab:cd:1ef", 0), ReadRequest("02:00:00:AB:CD:EF", 0));
    // Numbers that are missing give 0.
    const Bytes partial = ReadRequest("12:34:zz", 0);
    EXPECT_EQ(Bytes(partial.begin() + 4, partial.begin() + 10), (Bytes{0x12, 0x34, 0, 0, 0, 0}));
    const Bytes none = ReadRequest("", 0);
    EXPECT_EQ(Bytes(none.begin() + 4, none.begin() + 10), Bytes(6, 0));
}

TEST(FamilyBProtocol, WriteRequestCarriesTheWholeBlock) {
    Block data;
    for (size_t i = 0; i < kBlockSize; ++i) data[i] = uint8_t(i);
    const Bytes w = WriteRequest("02:00:00:AB:CD:EF", 2, data);
    ASSERT_EQ(w.size(), kWriteRequestSize);
    EXPECT_EQ(Bytes(w.begin(), w.begin() + 16), Cat(kStartAndMac, {0xA1, 0xFE, 0x01, 0x03, 0x02, 0x00}));
    EXPECT_EQ(Bytes(w.begin() + 16, w.begin() + 272), Bytes(data.begin(), data.end()));
    EXPECT_EQ(Bytes(w.begin() + 272, w.end()), (Bytes{0x00, 0xFF}));
}

TEST(FamilyBProtocol, ReplyDataStartsAtOffsetFifteen) {
    Bytes r = Reply(2, 0x00);
    for (size_t i = 0; i < kBlockSize; ++i) r[15 + i] = uint8_t(255 - i);
    BlockReply reply;
    ASSERT_TRUE(ParseBlockReply(r.data(), r.size(), reply));
    EXPECT_EQ(reply.mac, "02:00:00:AB:CD:EF");
    EXPECT_EQ(reply.block, 2);
    EXPECT_EQ(reply.data[0], 255);
    EXPECT_EQ(reply.data[255], 0);
    // Bytes 10 to 13 are not examined; a longer datagram is read as far as needed.
    r[10] = 0x55;
    r.push_back(0x99);
    ASSERT_TRUE(ParseBlockReply(r.data(), r.size(), reply));
    EXPECT_EQ(reply.data[255], 0);
}

TEST(FamilyBProtocol, RepliesThatAreNotRead) {
    BlockReply reply;
    const Bytes shortReply = Reply(0, 0x11, kBlockReplySize - 1);
    EXPECT_FALSE(ParseBlockReply(shortReply.data(), shortReply.size(), reply));
    Bytes wrongStart = Reply(0, 0x11);
    wrongStart[3] = 0x03;
    EXPECT_FALSE(ParseBlockReply(wrongStart.data(), wrongStart.size(), reply));
    EXPECT_FALSE(ParseBlockReply(nullptr, 300, reply));
    EXPECT_FALSE(ParseBlockReply(kStartAndMac.data(), 4, reply));
}
