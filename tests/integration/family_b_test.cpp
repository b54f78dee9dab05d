// Family B devices by MAC through the exports: the block requests, the pairs
// handed out in table order, writes whose blocks carry exactly the staged
// changes followed by the restart request, and a device that does not answer.
#include <gtest/gtest.h>

#include "integration/support.h"

using namespace vdtest;
using vdsim::FamilyBDevice;

namespace {

class FamilyB : public ::testing::Test {
protected:
    void SetUp() override { VD_ResetModifyConfigUDP(); }
};

TEST_F(FamilyB, OnePortReadHandsOutEveryVisiblePairInTableOrder) {
    FamilyBDevice dev{"127.0.0.2", 32, kMacB};
    // A value in every field, and junk in the bytes no key covers.
    dev.SetName("sim-one");
    dev.SetPassword("pw");
    dev.SetBytes(0, 36, {255, 0, 0, 0, 127, 0, 0, 1});
    dev.SetBytes(0, 54, {1, 0x00, 0x50, 0x1F, 0x40, 0x01, 0xAA, 0xAA, 0xAA, 0xAA});
    dev.SetBytes(0, 64, {10, 0, 0, 1, 10, 0, 0, 9});
    dev.SetBytes(0, 128, Bytes(128, 0xAA));
    dev.SetBytes(2, 0, {2, 0x0F, 0xA1, 0x00, 0x3C, 0x1F, 0x90, 1, 3, 4, 0x00, 0x01, 0xC2, 0x00, 8, 1, 0, 5,
                        0x04, 0x00, 0x00, 0x0A, 1, 0, 1, 4, 6, 7, 9, 0xAA, 0xAA, 0xAA,
                        0x13, 0x88, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF});
    dev.SetBytes(2, 40, Bytes(56, 0xAA));
    dev.SetBytes(2, 96, {10, 0, 0, 5, 0});
    dev.SetText(2, 136, "server.lan");
    dev.SetBytes(2, 176, {10, 0, 0, 1, 10, 0, 0, 9, 0});
    ASSERT_TRUE(dev.Start());
    ASSERT_EQ(VD_GetDevInfoUDPbyMAC(kMacBText, 32), VD_OK);
    EXPECT_EQ(dev.Requests(), (std::vector<Bytes>{ReadRequest(0), ReadRequest(2)}));

    const Pairs expected = {
        {"NAME", "sim-one"}, {"PASS", "pw"}, {"IP", "127.0.0.2"}, {"MASK", "255.0.0.0"},
        {"GATEWAY", "127.0.0.1"}, {"DNS", "0.0.0.0"}, {"MAC", kMacBText}, {"IP_MODE", "1"},
        {"WEB_PORT", "80"}, {"CMD_PORT", "8000"}, {"IPF1", "10.0.0.1-10.0.0.9"}, {"IPF2", "invalid"},
        {"IPF3", "invalid"}, {"IPF4", "invalid"}, {"IPF5", "invalid"}, {"IPF6", "invalid"},
        {"IPF7", "invalid"}, {"IPF8", "invalid"},
        {"C1_OP", "2"}, {"C1_PORT", "4001"}, {"C1_IT", "60"}, {"C1_TCPAT", "8080"},
        {"C1_D1", "3"}, {"C1_D2", "invalid"},  // enable byte 1: only D1 in force
        {"C1_BAUD", "115200"}, {"C1_DATAB", "8"}, {"C1_STOPB", "1"}, {"C1_PARITY", "0"},
        {"C1_SER_C", "5"}, {"C1_SER_LEN", "1024"}, {"C1_SER_T", "10"}, {"C1_BUF_CLS", "1"},
        {"C1_TCP_TURBO", "0"}, {"C1_TCP_CLS", "1"}, {"C1_LINK_NUM", "4"}, {"C1_LINK_P", "6"},
        {"C1_LINK_S", "7"}, {"C1_LINK_T", "9"}, {"C1_CLI_PP1", "5000"}, {"C1_CLI_PP2", "0"},
        {"C1_CLI_PP3", "0"}, {"C1_CLI_PP4", "65535"}, {"C1_CLI_IP1", "10.0.0.5"},
        {"C1_CLI_IP2", "server.lan"}, {"C1_CLI_IP3", "10.0.0.1-10.0.0.9"}, {"C1_CLI_IP4", "0.0.0.0"},
    };
    EXPECT_EQ(TakeAllPairs(), expected);
}

// Every byte of a block differs from its neighbours, so that a byte moved or
// rewritten shows.
Bytes Pattern(uint8_t seed) {
    Bytes b(256);
    for (size_t i = 0; i < b.size(); ++i) b[i] = uint8_t(i * 7 + seed);
    return b;
}

void Put(Bytes &b, size_t offset, const Bytes &bytes) {
    std::copy(bytes.begin(), bytes.end(), b.begin() + long(offset));
}

TEST_F(FamilyB, OnePortWriteCarriesExactlyTheStagedChangesThenRestarts) {
    FamilyBDevice dev{"127.0.0.2", 32, kMacB};
    Bytes device = Pattern(3), port = Pattern(5);
    Put(device, 16, {'p', 'w', 0});
    device[59] = 0x10;  // filter 5 enabled
    port[7] = 0x37;     // both destinations in force
    dev.SetBlock(0, device);
    dev.SetBlock(2, port);
    ASSERT_TRUE(dev.Start());
    ASSERT_EQ(VD_GetDevInfoUDPbyMAC(kMacBText, 32), VD_OK);

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
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacBText, "Pw", 32), VD_WRONG_PASSWORD);
    const auto start = Clock::now();
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacBText, "pw", 32), VD_OK);
    EXPECT_GE(Seconds(start), 1.25);  // block 0 read, two writes, restart, pause

    Put(device, 0, {'s', 'h', 'o', 'r', 't', 0});
    device[59] = 0x84;  // filter 3 and 8 on, filter 5 off
    Put(device, 80, {192, 168, 0, 10, 192, 168, 0, 20});
    device[96] = 0;  // IPF5 switched off
    port[7] = 0x34;
    port[8] = 0;  // D1 "invalid" stores 0; D2 keeps its byte
    Put(port, 10, {0x00, 0x00, 0x25, 0x80});
    Put(port, 136, {'h', 'o', 's', 't', '.', 'l', 'a', 'n', 0});
    ASSERT_TRUE(dev.WaitForRequests(7, 1000));
    EXPECT_EQ(dev.Requests(), (std::vector<Bytes>{ReadRequest(0), ReadRequest(2), ReadRequest(0), ReadRequest(0),
                                                  WriteRequest(0, device), WriteRequest(2, port),
                                                  RestartRequest()}));
    EXPECT_EQ(dev.Block(0), device);
    EXPECT_EQ(dev.Block(2), port);
    EXPECT_EQ(dev.Restarts(), 1);

    // "RESETDEV" over UDP sends the restart request alone (only the type's low
    // byte counts); nothing else is a family B command.
    char param[VD_MAC_LEN];
    snprintf(param, sizeof param, "%s", kMacBText);
    EXPECT_EQ(VD_SendCmd(32, "", 0, "RESETDEV", param, 0), VD_FAIL);
    EXPECT_EQ(VD_SendCmd(32, "", 0, "RESET", param, 1), VD_FAIL);
    EXPECT_EQ(VD_SendCmd(32, "", 0, "resetdev", param, 1), VD_FAIL);
    EXPECT_EQ(VD_SendCmd(0x120, "", 0, "RESETDEV", param, 1), VD_OK);
    ASSERT_TRUE(dev.WaitForRequests(8, 1000));
    SleepMs(50);
    EXPECT_EQ(dev.Requests().size(), 8u);
    EXPECT_EQ(dev.Requests().back(), RestartRequest());
    EXPECT_STREQ(param, kMacBText);
}

TEST_F(FamilyB, EightPortDeviceIsReadAndWrittenInBlockOrder) {
    FamilyBDevice dev{"127.0.0.2", 64, kMacB};
    for (int p = 1; p <= 8; ++p) {
        const uint32_t baud = 1200u * uint32_t(p);
        dev.SetBytes(uint8_t(p + 1), 10, {0, uint8_t(baud >> 16), uint8_t(baud >> 8), uint8_t(baud)});
    }
    // Another device's replies are not taken for this one's.
    FamilyBDevice other{"127.0.0.3", 64, {0x02, 0x00, 0x00, 0xAB, 0xCD, 0xEE}};
    other.SetName("other");
    ASSERT_TRUE(dev.Start());
    ASSERT_TRUE(other.Start());
    const auto start = Clock::now();
    ASSERT_EQ(VD_GetDevInfoUDPbyMAC(kMacBText, 64), VD_OK);
    EXPECT_GE(Seconds(start), 1.1);  // nine requests 100 ms apart, then the pause
    EXPECT_EQ(dev.ReadBlocks(), (std::vector<uint8_t>{0, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(dev.Requests().at(8), ReadRequest(9));
    EXPECT_TRUE(other.Requests().empty());
    const Pairs pairs = TakeAllPairs();
    ASSERT_EQ(pairs.size(), 18u + 8u * 28u);
    EXPECT_EQ(pairs[0].second, "");
    for (int p = 1; p <= 8; ++p) {
        const size_t first = 18 + 28 * size_t(p - 1);
        const std::string port = "C" + std::to_string(p);
        EXPECT_EQ(pairs[first].first, port + "_OP");
        EXPECT_EQ(pairs[first + 6], Pairs::value_type(port + "_BAUD", std::to_string(1200 * p)));
        // Enable byte 0: both destinations switched off.
        EXPECT_EQ(pairs[first + 4], Pairs::value_type(port + "_D1", "invalid"));
        EXPECT_EQ(pairs[first + 5], Pairs::value_type(port + "_D2", "invalid"));
    }
    EXPECT_EQ(pairs.back().first, "C8_CLI_IP4");

    dev.ClearReceived();
    Bytes device = dev.Block(0), two = dev.Block(3), eight = dev.Block(9);
    VD_SetModifyConfigUDP("C8_OP", "1");
    VD_SetModifyConfigUDP("C2_BAUD", "300");
    VD_SetModifyConfigUDP("IP", "127.0.0.9");
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacBText, "", 64), VD_OK);
    Put(device, 32, {127, 0, 0, 9});
    Put(two, 10, {0x00, 0x00, 0x01, 0x2C});
    eight[0] = 1;
    ASSERT_TRUE(dev.WaitForRequests(5, 1000));
    EXPECT_EQ(dev.Requests(), (std::vector<Bytes>{ReadRequest(0), WriteRequest(0, device), WriteRequest(3, two),
                                                  WriteRequest(9, eight), RestartRequest()}));
}

TEST_F(FamilyB, ASilentDeviceGivesNothingAndGetsNoWrite) {
    FamilyBDevice dev{"127.0.0.2", 32, kMacB};
    dev.SetSilent(true);
    ASSERT_TRUE(dev.Start());
    auto start = Clock::now();
    EXPECT_EQ(VD_GetDevInfoUDPbyMAC(kMacBText, 32), VD_FAIL);
    EXPECT_GT(Seconds(start), 3.3);  // the requests, the pause and 300 polls
    EXPECT_LT(Seconds(start), 5.0);
    EXPECT_TRUE(TakeAllPairs().empty());
    dev.ClearReceived();
    VD_SetModifyConfigUDP("NAME", "x");
    start = Clock::now();
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacBText, "", 32), VD_NO_INFO);
    EXPECT_GT(Seconds(start), 2.3);  // the request, the pause and 200 polls
    EXPECT_LT(Seconds(start), 4.0);
    EXPECT_EQ(dev.Requests(), std::vector<Bytes>{ReadRequest(0)});
}

}  // namespace
