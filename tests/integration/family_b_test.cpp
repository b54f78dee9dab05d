// Family B devices by MAC through the exports: the block requests, the pairs
// handed out in table order, writes whose blocks carry exactly the staged
// changes followed by the restart request, and a device that stops answering.
#include <gtest/gtest.h>

#include "integration/support.h"

using namespace vdtest;
using vdsim::FamilyBDevice;

namespace {

class FamilyB : public ::testing::Test {
protected:
    void SetUp() override { VD_ResetModifyConfigUDP(); }
};

TEST_F(FamilyB, OnePortReadHandsOutTheVisiblePairsInTableOrderThenNothingOnceSilent) {
    FamilyBDevice dev{"127.0.0.2", 32, kMacB};
    dev.SetName("sim-one");
    dev.SetBytes(0, 64, {10, 0, 0, 1, 10, 0, 0, 9});  // IPF1; the other ranges are off
    dev.SetBytes(2, 7, {1, 3, 4});                      // the enable byte: only C1_D1 in force
    ASSERT_TRUE(dev.Start());
    // In the table's order, but for the enable keys (ENIPFILTER1 to 8,
    // COM1_ENABLEST), which are never handed out.
    const Pairs pairs = Read(kMacBText, 32);
    EXPECT_EQ(dev.ReadBlocks(), (std::vector<uint8_t>{0, 2}));
    ASSERT_EQ(pairs.size(), 46u);
    const auto pair = [&](size_t i) { return pairs[i].first + "=" + pairs[i].second; };
    EXPECT_EQ(pair(0) + " " + pair(6) + " " + pair(9), std::string("NAME=sim-one MAC=") + kMacBText + " CMD_PORT=0");
    EXPECT_EQ(pair(10) + " " + pair(11) + " " + pair(17), "IPF1=10.0.0.1-10.0.0.9 IPF2=invalid IPF8=invalid");
    EXPECT_EQ(pair(18) + " " + pair(22) + " " + pair(23), "C1_OP=0 C1_D1=3 C1_D2=invalid");
    EXPECT_EQ(pairs.back().first, "C1_CLI_IP4");

    // Silent, the device gives nothing within the wait, nor the earlier read's
    // pairs; its two blocks are asked for again every 300 ms of the wait but
    // at its end, where a repeat would outlast it.
    dev.SetSilent(true);
    dev.ClearReceived();
    EXPECT_LT(Took([] { EXPECT_EQ(VD_GetDevInfoUDPbyMAC(kMacBText, 32), VD_FAIL); }), 5.0);
    EXPECT_TRUE(TakeAllPairs().empty());
    EXPECT_LE(dev.Requests().size(), 2u + 9u * 2u);
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

    // TYPE is no key here; the second NAME replaces the staged one.
    Stage({{"C1_D2", "invalid"}, {"NAME", "ABCDEFGHIJKLMNOPQRST"}, {"IPF3", "192.168.0.10-192.168.0.20"},
           {"C1_D1", "invalid"}, {"IPF5", "invalid"}, {"C1_BAUD", "9600"}, {"TYPE", "5"}, {"C1_CLI_IP2", "host.lan"},
           {"NAME", "short"}, {"ENIPFILTER8", "1"}});
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacBText, "Pw", 32), VD_WRONG_PASSWORD);
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacBText, "pw", 32), VD_OK);

    Put(device, 0, {'s', 'h', 'o', 'r', 't', 0});
    device[59] = 0x84;  // filter 3 and 8 on, filter 5 off
    Put(device, 80, {192, 168, 0, 10, 192, 168, 0, 20});
    device[96] = 0;  // IPF5 switched off
    port[7] = 0x34;
    port[8] = 0;  // D1 "invalid" stores 0; D2 keeps its byte
    Put(port, 10, {0x00, 0x00, 0x25, 0x80});
    Put(port, 136, {'h', 'o', 's', 't', '.', 'l', 'a', 'n', 0});
    // Every block written is read back before the next.
    ASSERT_TRUE(dev.WaitForRequests(9, 1000));
    EXPECT_EQ(dev.Requests(), (std::vector<Bytes>{ReadRequest(0), ReadRequest(2), ReadRequest(0), ReadRequest(0),
                                                  WriteRequest(0, device), ReadRequest(0), WriteRequest(2, port),
                                                  ReadRequest(2), RestartRequest()}));

    // "RESETDEV" over UDP sends the restart request alone (only the type's low
    // byte counts); nothing else is a family B command.
    char param[VD_MAC_LEN];
    snprintf(param, sizeof param, "%s", kMacBText);
    EXPECT_EQ(VD_SendCmd(32, "", 0, "RESETDEV", param, 0), VD_FAIL);
    EXPECT_EQ(VD_SendCmd(32, "", 0, "RESET", param, 1), VD_FAIL);
    EXPECT_EQ(VD_SendCmd(0x120, "", 0, "RESETDEV", param, 1), VD_OK);
    ASSERT_TRUE(dev.WaitForRequests(10, 1000));
    EXPECT_EQ(dev.Requests().back(), RestartRequest());
    EXPECT_STREQ(param, kMacBText);
}

TEST_F(FamilyB, EightPortDeviceIsReadAndWrittenInBlockOrder) {
    FamilyBDevice dev{"127.0.0.2", 64, kMacB};
    for (int p = 1; p <= 8; ++p) {
        const uint32_t baud = 1200u * uint32_t(p);
        dev.SetBytes(uint8_t(p + 1), 10, {0, uint8_t(baud >> 16), uint8_t(baud >> 8), uint8_t(baud)});
    }
    ASSERT_TRUE(dev.Start());
    const Pairs pairs = Read(kMacBText, 64);
    EXPECT_EQ(dev.ReadBlocks(), (std::vector<uint8_t>{0, 2, 3, 4, 5, 6, 7, 8, 9}));
    ASSERT_EQ(pairs.size(), 18u + 8u * 28u);
    for (int p = 1; p <= 8; ++p) {
        const size_t first = 18 + 28 * size_t(p - 1);
        const std::string port = "C" + std::to_string(p);
        EXPECT_EQ(pairs[first + 6], Pairs::value_type(port + "_BAUD", std::to_string(1200 * p)));
    }
    EXPECT_EQ(pairs.back().first, "C8_CLI_IP4");

    dev.ClearReceived();
    Bytes device = dev.Block(0), two = dev.Block(3), eight = dev.Block(9);
    Stage({{"C8_OP", "1"}, {"C2_BAUD", "300"}, {"IP", "127.0.0.9"}});
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacBText, "", 64), VD_OK);
    Put(device, 32, {127, 0, 0, 9});
    Put(two, 10, {0x00, 0x00, 0x01, 0x2C});
    eight[0] = 1;
    ASSERT_TRUE(dev.WaitForRequests(8, 1000));
    EXPECT_EQ(dev.Requests(), (std::vector<Bytes>{ReadRequest(0), WriteRequest(0, device), ReadRequest(0),
                                                  WriteRequest(3, two), ReadRequest(3), WriteRequest(9, eight),
                                                  ReadRequest(9), RestartRequest()}));

    // Silent, its nine blocks are asked for again as far as fits before the
    // wait's end: twice, then three of them.
    dev.SetSilent(true);
    dev.ClearReceived();
    EXPECT_EQ(VD_GetDevInfoUDPbyMAC(kMacBText, 64), VD_FAIL);
    EXPECT_LE(dev.Requests().size(), 9u * 3u + 3u);
}

}  // namespace
