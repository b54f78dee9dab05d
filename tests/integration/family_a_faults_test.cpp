// Family A devices by IP on a faulty wire, through the exports: the device
// simulator loses an answer or ignores a write at a known place, and the
// test states every datagram that the device then receives. A request without
// answer is sent again within the wait; a write is read back, and what did
// not take is sent again, a few times at most.
#include <gtest/gtest.h>

#include "integration/support.h"
#include "sim_family_a.h"

using namespace vdtest;
using vdsim::FamilyADevice;

namespace {

const Bytes kInfoRequest = {0xA1, 0x14, 0x02, 0x00, 0x00, 0xFF};

// A write of fewer than 16 bytes is followed by 15 bytes of FF.
Bytes Padded(Bytes packet) {
    packet.insert(packet.end(), 15, 0xFF);
    return packet;
}

class FamilyAFaults : public ::testing::Test {
protected:
    void SetUp() override {
        VD_ResetModifyConfigUDP();
        dev.SetPassword("pw");
        dev.SetItem(0x0F, {7});  // C1_BAUD
        ASSERT_TRUE(dev.Start());
    }
    std::vector<Bytes> Received() const {
        std::vector<Bytes> out;
        for (const auto &r : dev.ReceivedDatagrams()) out.push_back(r.bytes);
        return out;
    }
    FamilyADevice dev{"127.0.0.2", 5, {0x00, 0x1A, 0x2B, 0x00, 0x00, 0x02}};
};

TEST_F(FamilyAFaults, ALostAnswerIsMadeUpForWithinTheWait) {
    dev.DropInfoAnswers(1);
    ASSERT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.2", 5), VD_OK);
    EXPECT_EQ(Ask("C1_BAUD"), "7");
    EXPECT_EQ(Received(), (std::vector<Bytes>{kInfoRequest, kInfoRequest}));
}

TEST_F(FamilyAFaults, AnAnswerThatArrivesTwiceIsReadOnce) {
    dev.SetDuplicateReplies(true);
    ASSERT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.2", 5), VD_OK);
    EXPECT_EQ(Received(), std::vector<Bytes>{kInfoRequest});
    EXPECT_EQ(TakeAllPairs(), (Pairs{{"TYPE", "5"}, {"IP", "127.0.0.2"}, {"MAC", "00:1A:2B:00:00:02"},
                                     {"PASS", "pw"}, {"C1_BAUD", "7"}}));
}

TEST_F(FamilyAFaults, OnlyWhatDidNotTakeIsSentAgainAndAWriteNeverTakenFails) {
    dev.IgnoreWrites(4);
    VD_SetModifyConfigUDP("C1_BAUD", "9");
    VD_SetModifyConfigUDP("NAME", "pump");
    EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.2", "pw", 5), VD_FAIL);
    // The name's field holds 10 bytes: 19 in all, too many to be padded.
    const Bytes write = {0xA1, 0x0F, 0x01, 0x09, 0xFF, 0xA1, 0x02, 0x0A, 'p', 'u', 'm', 'p', 0, 0, 0, 0, 0, 0, 0xFF};
    EXPECT_EQ(Received(), (std::vector<Bytes>{kInfoRequest, write, kInfoRequest, write, kInfoRequest, write,
                                              kInfoRequest}));
    // The host learns which keys did not take, with their staged values.
    EXPECT_EQ(TakeAllPairs(), (Pairs{{"C1_BAUD", "9"}, {"NAME", "pump"}}));

    // The fourth write is ignored too, the fifth takes: the name was
    // confirmed, so only the baud rate is sent again.
    dev.ClearReceived();
    dev.SetText(0x02, "pump");
    EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.2", "pw", 5), VD_OK);
    const Bytes baud = Padded({0xA1, 0x0F, 0x01, 0x09, 0xFF});
    EXPECT_EQ(Received(), (std::vector<Bytes>{kInfoRequest, write, kInfoRequest, baud, kInfoRequest}));
    EXPECT_EQ(dev.Item(0x0F), Bytes{9});
}

}  // namespace
