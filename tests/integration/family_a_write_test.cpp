// Writing staged settings to a family A device through the exports: the
// password check, the exact datagram, and the 100 and 102 paths.
#include <gtest/gtest.h>

#include "family_a_support.h"

using namespace fama;
using vdsim::Bytes;
using vdsim::FamilyADevice;

namespace {

const vdsim::Mac kMac = {0x02, 0x00, 0x00, 0x00, 0x00, 0x07};
const Bytes kInfoRequest = {0xA1, 0x14, 0x02, 0x00, 0x00, 0xFF};

class FamilyAWrite : public ::testing::Test {
protected:
    void SetUp() override {
        VD_ResetModifyConfigUDP();
        dev.SetItem(0x0C, {0x03});  // COM1_ENABLEST: both destinations in use
        dev.SetItem(0x0D, {1});
        dev.SetItem(0x13, {1});
        dev.SetPassword("secret");
        ASSERT_TRUE(dev.Start());
    }
    std::vector<Bytes> Received() {
        std::vector<Bytes> out;
        for (const auto &r : dev.ReceivedDatagrams()) out.push_back(r.bytes);
        return out;
    }
    FamilyADevice dev{"127.0.0.2", 5, kMac};
};

}  // namespace

TEST_F(FamilyAWrite, TheDatagramHoldsExactlyTheStagedItems) {
    // The destination rule needs the enable byte of a read.
    ASSERT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.2", 5), VD_OK);
    VD_SetModifyConfigUDP("NAME", "abc");
    VD_SetModifyConfigUDP("C1_D1", "invalid");  // clears bit 0, stages no destination
    VD_SetModifyConfigUDP("IP_MODE", "1");       // sent inverted
    VD_SetModifyConfigUDP("MAC", "00:00:00:00:00:01");
    VD_SetModifyConfigUDP("NAME", "abcdefghijkl");  // replaces the staged value, cut to 10
    VD_SetModifyConfigUDP("C1_TCPAT", "8080");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.2", "secret", 5), VD_OK);
    EXPECT_GE(Seconds(start), 0.7);  // the read, then the pause after the write

    const Bytes write = {0xA1, 0x02, 0x0A, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 0xFF,
                         0xA1, 0x0C, 0x01, 0x02, 0xFF,
                         0xA1, 0x13, 0x01, 0x00, 0xFF,
                         0xA1, 0x0B, 0x02, 0x1F, 0x90, 0xFF};
    ASSERT_TRUE(dev.WaitForDatagrams(3, 1000));
    EXPECT_EQ(Received(), (std::vector<Bytes>{kInfoRequest, kInfoRequest, write}));
    EXPECT_EQ(dev.Item(0x02), Bytes({'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j'}));
    EXPECT_EQ(dev.Item(0x0C), Bytes{0x02});
    EXPECT_EQ(dev.Item(0x13), Bytes{0x00});
}

TEST_F(FamilyAWrite, AOneItemWriteIsPaddedAndRepeatedUntilReset) {
    VD_SetModifyConfigUDP("C1_BAUD", "9");
    EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.2", "secret", 5), VD_OK);
    EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.2", "secret", 5), VD_OK);
    VD_ResetModifyConfigUDP();
    VD_SetModifyConfigUDP("MAC", "00:00:00:00:00:01");  // read only: nothing to send
    EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.2", "secret", 5), VD_OK);

    const Bytes write = Cat({0xA1, 0x0F, 0x01, 0x09, 0xFF}, Bytes(15, 0xFF));
    ASSERT_TRUE(dev.WaitForDatagrams(5, 1000));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(Received(), (std::vector<Bytes>{kInfoRequest, write, kInfoRequest, write, kInfoRequest}));
}

TEST_F(FamilyAWrite, AWrongPasswordSendsNoWrite) {
    VD_SetModifyConfigUDP("C1_BAUD", "9");
    EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.2", "Secret", 5), VD_WRONG_PASSWORD);
    EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.2", "", 5), VD_WRONG_PASSWORD);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(Received(), (std::vector<Bytes>{kInfoRequest, kInfoRequest}));
    EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.2", "secret", 48), VD_WRONG_FAMILY);
}

TEST_F(FamilyAWrite, AnEmptyPasswordMatchesADeviceWithout) {
    FamilyADevice open{"127.0.0.3", 7, kMac};
    ASSERT_TRUE(open.Start());
    VD_SetModifyConfigUDP("10TCTRLIO", "3");  // write only, 10T group
    VD_SetModifyConfigUDP("WEB_PORT", "80");  // not a 10T key
    EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.3", "", 7), VD_OK);
    ASSERT_TRUE(open.WaitForDatagrams(2, 1000));
    EXPECT_EQ(open.Writes(), (std::vector<Bytes>{Cat({0xA1, 0x23, 0x01, 0x03, 0xFF}, Bytes(15, 0xFF))}));
}

TEST_F(FamilyAWrite, ASilentDeviceGetsNoWrite) {
    dev.SetSilent(true);
    VD_SetModifyConfigUDP("C1_BAUD", "9");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.2", "secret", 5), VD_NO_INFO);
    const double took = Seconds(start);
    EXPECT_GT(took, 2.1);
    EXPECT_LT(took, 3.5);
    EXPECT_EQ(Received(), (std::vector<Bytes>{kInfoRequest}));
}
