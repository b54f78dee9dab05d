// Family B devices by MAC on a faulty wire, through the exports: the device
// simulator loses, duplicates or ignores datagrams at a known place, and the
// test states every datagram that the device then receives. A read counts
// blocks, not replies, and asks again for the ones missing; a write reads the
// blocks it needs, confirms every block by reading it back, and is all or
// nothing.
#include <gtest/gtest.h>

#include "integration/support.h"

using namespace vdtest;
using vdsim::FamilyBDevice;

namespace {

const vdsim::Mac kOtherMac = {0x02, 0x00, 0x00, 0xAB, 0xCD, 0xE0};

Bytes Baud(uint32_t baud) { return {uint8_t(baud >> 24), uint8_t(baud >> 16), uint8_t(baud >> 8), uint8_t(baud)}; }

// A four-port device at kMacB whose ports run at 1200 times their number.
class FamilyBFaults : public ::testing::Test {
protected:
    void SetUp() override {
        VD_ResetModifyConfigUDP();
        dev.SetPassword("pw");
        for (uint8_t p = 1; p <= 4; ++p) dev.SetBytes(uint8_t(p + 1), 10, Baud(1200u * p));
        ASSERT_TRUE(dev.Start());
    }
    // Makes the four-port handler hold another device's blocks, so that a
    // write to kMacB holds none of its blocks but the password's.
    void ForgetKMacB() {
        FamilyBDevice other{"127.0.0.3", 48, kOtherMac};
        ASSERT_TRUE(other.Start());
        ASSERT_EQ(VD_GetDevInfoUDPbyMAC("02:00:00:AB:CD:E0", 48), VD_OK);
        TakeAllPairs();
        dev.ClearReceived();
    }
    FamilyBDevice dev{"127.0.0.2", 48, kMacB};
};

TEST_F(FamilyBFaults, EveryReplyTwiceGivesEachBlockOnce) {
    dev.SetDuplicateReplies(true);
    ASSERT_EQ(VD_GetDevInfoUDPbyMAC(kMacBText, 48), VD_OK);
    const Pairs pairs = TakeAllPairs();
    ASSERT_EQ(pairs.size(), 18u + 4u * 28u);
    EXPECT_EQ(pairs[18 + 28 * 3 + 6], Pairs::value_type("C4_BAUD", "4800"));
    EXPECT_EQ(dev.ReadBlocks(), (std::vector<uint8_t>{0, 2, 3, 4, 5}));
}

TEST_F(FamilyBFaults, AMissingBlockIsAskedForAgainWithinTheWait) {
    dev.DropReplies(3, 1);
    ASSERT_EQ(VD_GetDevInfoUDPbyMAC(kMacBText, 48), VD_OK);
    EXPECT_EQ(TakeAllPairs().size(), 18u + 4u * 28u);
    EXPECT_EQ(dev.ReadBlocks(), (std::vector<uint8_t>{0, 2, 3, 4, 5, 3}));
}

TEST_F(FamilyBFaults, AWriteReadsTheBlocksItNeedsWhenTheHostReadNothing) {
    ForgetKMacB();
    VD_SetModifyConfigUDP("C2_BAUD", "9600");
    ASSERT_EQ(VD_ModifyDevUDPbyMAC(kMacBText, "pw", 48), VD_OK);
    // Only the baud rate of port 2 changed.
    Bytes port2(256, 0);
    std::copy_n(Baud(9600).begin(), 4, port2.begin() + 10);
    EXPECT_EQ(dev.Block(3), port2);
    // The password's block, the block of C2_BAUD, its write and read-back,
    // then the restart.
    ASSERT_TRUE(dev.WaitForRequests(5, 1000));
    EXPECT_EQ(dev.Requests(), (std::vector<Bytes>{ReadRequest(0), ReadRequest(3), WriteRequest(3, port2),
                                                  ReadRequest(3), RestartRequest()}));
}

TEST_F(FamilyBFaults, AWriteThatCannotBeConfirmedIsUndoneAndNotRestarted) {
    ASSERT_EQ(VD_GetDevInfoUDPbyMAC(kMacBText, 48), VD_OK);
    TakeAllPairs();
    dev.ClearReceived();
    const Bytes port1 = dev.Block(2), port2 = dev.Block(3);
    dev.IgnoreWrites(3, 3);
    VD_SetModifyConfigUDP("C1_BAUD", "300");
    VD_SetModifyConfigUDP("C2_BAUD", "9600");
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacBText, "pw", 48), VD_FAIL);
    EXPECT_EQ(dev.Block(2), port1);
    EXPECT_EQ(dev.Block(3), port2);
    EXPECT_EQ(dev.Restarts(), 0);
    Bytes port1New = port1, port2New = port2;
    std::copy_n(Baud(300).begin(), 4, port1New.begin() + 10);
    std::copy_n(Baud(9600).begin(), 4, port2New.begin() + 10);
    const std::vector<Bytes> expected = {ReadRequest(0),
                                         WriteRequest(2, port1New), ReadRequest(2),
                                         WriteRequest(3, port2New), ReadRequest(3),
                                         WriteRequest(3, port2New), ReadRequest(3),
                                         WriteRequest(3, port2New), ReadRequest(3),
                                         WriteRequest(2, port1), ReadRequest(2),
                                         WriteRequest(3, port2), ReadRequest(3)};
    ASSERT_TRUE(dev.WaitForRequests(expected.size(), 1000));
    EXPECT_EQ(dev.Requests(), expected);
    // The host learns which keys did not take, with their staged values.
    EXPECT_EQ(TakeAllPairs(), (Pairs{{"C2_BAUD", "9600"}}));
    // The library's copies are the device's again: a write that takes now
    // changes only what it stages.
    VD_ResetModifyConfigUDP();
    VD_SetModifyConfigUDP("C4_BAUD", "600");
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacBText, "pw", 48), VD_OK);
    EXPECT_EQ(dev.Block(3), port2);
    EXPECT_EQ(TakeAllPairs(), Pairs{});
}

TEST_F(FamilyBFaults, AKeyWhoseBlockCannotBeReadFailsTheWriteBeforeAnythingIsSent) {
    ForgetKMacB();
    dev.DropReplies(4, 100);
    VD_SetModifyConfigUDP("C1_BAUD", "300");
    VD_SetModifyConfigUDP("C3_BAUD", "9600");
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacBText, "pw", 48), VD_FAIL);
    EXPECT_TRUE(dev.Writes().empty());
    EXPECT_EQ(dev.Restarts(), 0);
    EXPECT_EQ(TakeAllPairs(), (Pairs{{"C3_BAUD", "9600"}}));
}

}  // namespace
