// Writing staged settings to a family B device by MAC through the exports:
// the exact blocks sent, in block order, then the restart request; and the
// 100 and 102 paths.
#include <gtest/gtest.h>

#include <thread>

#include "family_b_support.h"

using namespace famb;
using vdsim::FamilyBDevice;

namespace {

// Every byte of a block differs from its neighbours, so that a byte moved
// or rewritten shows.
Bytes Pattern(uint8_t seed) {
    Bytes b(256);
    for (size_t i = 0; i < b.size(); ++i) b[i] = uint8_t(i * 7 + seed);
    return b;
}

void Put(Bytes &b, size_t offset, const Bytes &bytes) { std::copy(bytes.begin(), bytes.end(), b.begin() + long(offset)); }

class FamilyBWrite : public ::testing::Test {
protected:
    void SetUp() override { VD_ResetModifyConfigUDP(); }
};

}  // namespace

TEST_F(FamilyBWrite, BlocksCarryExactlyTheStagedChanges) {
    FamilyBDevice dev{"127.0.0.2", 32, kMac};
    Bytes device = Pattern(3), port = Pattern(5);
    Put(device, 16, {'p', 'w', 0});
    device[59] = 0x10;  // filter 5 enabled
    port[7] = 0x37;     // both destinations in force
    dev.SetBlock(0, device);
    dev.SetBlock(2, port);
    ASSERT_TRUE(dev.Start());
    ASSERT_EQ(VD_GetDevInfoUDPbyMAC(kMacText, 32), VD_OK);

    VD_SetModifyConfigUDP("C1_D2", "invalid");
    VD_SetModifyConfigUDP("NAME", "ABCDEFGHIJKLMNOPQRST");
    VD_SetModifyConfigUDP("IPF3", "192.168.0.10-192.168.0.20");
    VD_SetModifyConfigUDP("C1_D1", "invalid");
    VD_SetModifyConfigUDP("IPF5", "invalid");
    VD_SetModifyConfigUDP("C1_BAUD", "9600");
    VD_SetModifyConfigUDP("TYPE", "5");  // no such key here
    VD_SetModifyConfigUDP("C1_CLI_IP2", "host.lan");
    VD_SetModifyConfigUDP("NAME", "short");  // replaces the staged name
    VD_SetModifyConfigUDP("ENIPFILTER8", "1");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacText, "pw", 32), VD_OK);
    EXPECT_GE(Seconds(start), 1.25);  // block 0 read, two writes, restart, pause

    Bytes device2 = device, port2 = port;
    Put(device2, 0, {'s', 'h', 'o', 'r', 't', 0});
    device2[59] = 0x84;  // filter 3 and 8 on, filter 5 off
    Put(device2, 80, {192, 168, 0, 10, 192, 168, 0, 20});
    device2[96] = 0;  // IPF5 switched off
    port2[7] = 0x34;
    port2[8] = 0;  // D1 "invalid" stores 0; D2 keeps its byte
    Put(port2, 10, {0x00, 0x00, 0x25, 0x80});
    Put(port2, 136, {'h', 'o', 's', 't', '.', 'l', 'a', 'n', 0});

    ASSERT_TRUE(dev.WaitForRequests(6, 1000));
    EXPECT_EQ(dev.Requests(), (std::vector<Bytes>{ReadRequest(0), ReadRequest(2), ReadRequest(0),
                                                  WriteRequest(0, device2), WriteRequest(2, port2),
                                                  RestartRequest()}));
    EXPECT_EQ(dev.Block(0), device2);
    EXPECT_EQ(dev.Block(2), port2);
    EXPECT_EQ(dev.Restarts(), 1);
}

TEST_F(FamilyBWrite, ChangedBlocksGoInBlockOrder) {
    FamilyBDevice dev{"127.0.0.2", 64, kMac};
    ASSERT_TRUE(dev.Start());
    ASSERT_EQ(VD_GetDevInfoUDPbyMAC(kMacText, 64), VD_OK);
    dev.ClearReceived();
    Bytes device = dev.Block(0), two = Bytes(256, 0), eight = Bytes(256, 0);
    VD_SetModifyConfigUDP("C8_OP", "1");
    VD_SetModifyConfigUDP("C2_BAUD", "300");
    VD_SetModifyConfigUDP("IP", "127.0.0.9");
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacText, "", 64), VD_OK);

    Put(device, 32, {127, 0, 0, 9});
    Put(two, 10, {0x00, 0x00, 0x01, 0x2C});
    eight[0] = 1;
    ASSERT_TRUE(dev.WaitForRequests(5, 1000));
    EXPECT_EQ(dev.Requests(), (std::vector<Bytes>{ReadRequest(0), WriteRequest(0, device), WriteRequest(3, two),
                                                  WriteRequest(9, eight), RestartRequest()}));
}

TEST_F(FamilyBWrite, KeysOfBlocksNeverReadAreSkippedAndWritesRepeatUntilReset) {
    FamilyBDevice dev{"127.0.0.2", 32, kMac};
    ASSERT_TRUE(dev.Start());
    // Only block 0 is read before a write by MAC: port 1's block is unknown.
    Bytes device = dev.Block(0);
    VD_SetModifyConfigUDP("C1_BAUD", "9600");
    VD_SetModifyConfigUDP("DNS", "1.1.1.1");
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacText, "", 32), VD_OK);
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacText, "", 32), VD_OK);

    Put(device, 44, {1, 1, 1, 1});
    const std::vector<Bytes> once = {ReadRequest(0), WriteRequest(0, device), RestartRequest()};
    ASSERT_TRUE(dev.WaitForRequests(6, 1000));
    std::vector<Bytes> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(dev.Requests(), twice);
    EXPECT_EQ(dev.Block(2), Bytes(256, 0));

    // Nothing this family knows: nothing written, no restart.
    dev.ClearReceived();
    VD_ResetModifyConfigUDP();
    VD_SetModifyConfigUDP("C1_DEVADC", "1,2");
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacText, "", 32), VD_OK);
    EXPECT_EQ(dev.Requests(), (std::vector<Bytes>{ReadRequest(0)}));
}

TEST_F(FamilyBWrite, WrongPasswordSendsNoWrite) {
    FamilyBDevice dev{"127.0.0.2", 48, kMac};
    dev.SetPassword("secret");
    ASSERT_TRUE(dev.Start());
    VD_SetModifyConfigUDP("NAME", "x");
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacText, "Secret", 48), VD_WRONG_PASSWORD);
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacText, "", 48), VD_WRONG_PASSWORD);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(dev.Requests(), (std::vector<Bytes>{ReadRequest(0), ReadRequest(0)}));
    EXPECT_EQ(dev.Restarts(), 0);
}

TEST_F(FamilyBWrite, SilentDeviceGetsNoWrite) {
    FamilyBDevice dev{"127.0.0.2", 56, kMac};
    dev.SetSilent(true);
    ASSERT_TRUE(dev.Start());
    VD_SetModifyConfigUDP("NAME", "x");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacText, "", 56), VD_NO_INFO);
    const double took = Seconds(start);
    EXPECT_GT(took, 2.3);  // the request, the pause and 200 polls
    EXPECT_LT(took, 4.0);
    EXPECT_EQ(dev.Requests(), (std::vector<Bytes>{ReadRequest(0)}));
}
