// Reading a family B device by MAC through the exports: the block requests,
// the pairs handed out in table order, and the cases that give nothing.
#include <gtest/gtest.h>

#include "family_b_support.h"

using namespace famb;
using vdsim::FamilyBDevice;

namespace {

// A one-port device with a value in every field and junk in the bytes no
// key covers.
void FillOnePort(FamilyBDevice &dev) {
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
}

class FamilyBInfo : public ::testing::Test {
protected:
    void SetUp() override { VD_ResetModifyConfigUDP(); }
};

}  // namespace

TEST_F(FamilyBInfo, OnePortDeviceHandsOutEveryVisiblePairInTableOrder) {
    FamilyBDevice dev{"127.0.0.2", 32, kMac};
    FillOnePort(dev);
    ASSERT_TRUE(dev.Start());
    ASSERT_EQ(VD_GetDevInfoUDPbyMAC(kMacText, 32), VD_OK);
    EXPECT_EQ(dev.Requests(), (std::vector<Bytes>{ReadRequest(0), ReadRequest(2)}));

    const Pairs expected = {
        {"NAME", "sim-one"}, {"PASS", "pw"}, {"IP", "127.0.0.2"}, {"MASK", "255.0.0.0"},
        {"GATEWAY", "127.0.0.1"}, {"DNS", "0.0.0.0"}, {"MAC", kMacText}, {"IP_MODE", "1"},
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

TEST_F(FamilyBInfo, KeysByNameAndTheHiddenOnes) {
    FamilyBDevice dev{"127.0.0.2", 32, kMac};
    FillOnePort(dev);
    dev.SetBytes(2, 7, {3});
    ASSERT_TRUE(dev.Start());
    ASSERT_EQ(VD_GetDevInfoUDPbyMAC(kMacText, 32), VD_OK);
    EXPECT_EQ(Get("C1_D2"), "4");  // both destinations in force
    EXPECT_EQ(Get("C1_D2"), "<none>");
    EXPECT_EQ(Get("PASS"), "<none>");
    EXPECT_EQ(Get("COM1_ENABLEST"), "<none>");
    EXPECT_EQ(Get("ENIPFILTER1"), "<none>");
    EXPECT_EQ(Get("VERSION"), "V1.00");  // the table has no such key
    EXPECT_EQ(Get("IP"), "127.0.0.2");
    // Stepping through still shows "PASS".
    EXPECT_EQ(TakeAllPairs().at(0), (std::pair<std::string, std::string>("NAME", "sim-one")));
}

TEST_F(FamilyBInfo, EightPortDeviceIsAskedForNineBlocksInOrder) {
    FamilyBDevice dev{"127.0.0.2", 64, kMac};
    for (int p = 1; p <= 8; ++p) {
        const uint32_t baud = 1200u * uint32_t(p);
        dev.SetBytes(uint8_t(p + 1), 10, {0, uint8_t(baud >> 16), uint8_t(baud >> 8), uint8_t(baud)});
    }
    // Another device's replies are not taken for this one's.
    FamilyBDevice other{"127.0.0.3", 64, {0x02, 0x00, 0x00, 0xAB, 0xCD, 0xEE}};
    other.SetName("other");
    ASSERT_TRUE(dev.Start());
    ASSERT_TRUE(other.Start());
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(VD_GetDevInfoUDPbyMAC(kMacText, 64), VD_OK);
    EXPECT_GE(Seconds(start), 1.1);  // nine requests 100 ms apart, then the pause

    EXPECT_EQ(dev.ReadBlocks(), (std::vector<uint8_t>{0, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(dev.Requests().at(8), ReadRequest(9));
    EXPECT_TRUE(other.Requests().empty());
    const Pairs pairs = TakeAllPairs();
    ASSERT_EQ(pairs.size(), 18u + 8u * 28u);
    EXPECT_EQ(pairs[0].second, "");
    for (int p = 1; p <= 8; ++p) {
        const size_t first = 18 + 28 * size_t(p - 1);
        EXPECT_EQ(pairs[first].first, "C" + std::to_string(p) + "_OP");
        EXPECT_EQ(pairs[first + 6], (std::pair<std::string, std::string>("C" + std::to_string(p) + "_BAUD",
                                                                          std::to_string(1200 * p))));
        // Enable byte 0: both destinations switched off.
        EXPECT_EQ(pairs[first + 4].second, "invalid");
        EXPECT_EQ(pairs[first + 5].second, "invalid");
    }
    EXPECT_EQ(pairs.back().first, "C8_CLI_IP4");
}

TEST_F(FamilyBInfo, WrongFamilyIsRefusedBeforeAnyTraffic) {
    FamilyBDevice dev{"127.0.0.2", 32, kMac};
    ASSERT_TRUE(dev.Start());
    EXPECT_EQ(VD_GetDevInfoUDPbyMAC(kMacText, 5), VD_WRONG_FAMILY);
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(kMacText, "", 5), VD_WRONG_FAMILY);
    EXPECT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.2", 32), VD_WRONG_FAMILY);
    EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.2", "", 0x130), VD_WRONG_FAMILY);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(dev.ReceivedDatagrams().empty());
}

TEST_F(FamilyBInfo, SilentDeviceGivesNothing) {
    FamilyBDevice dev{"127.0.0.2", 32, kMac};
    dev.SetSilent(true);
    ASSERT_TRUE(dev.Start());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(VD_GetDevInfoUDPbyMAC(kMacText, 32), VD_FAIL);
    const double took = Seconds(start);
    EXPECT_GT(took, 3.3);  // two requests, the pause and 300 polls
    EXPECT_LT(took, 5.0);
    EXPECT_EQ(dev.ReadBlocks(), (std::vector<uint8_t>{0, 2}));
    EXPECT_TRUE(TakeAllPairs().empty());
}

TEST_F(FamilyBInfo, LowerCaseMacIsAskedButNeverMatched) {
    FamilyBDevice dev{"127.0.0.2", 32, kMac};
    ASSERT_TRUE(dev.Start());
    EXPECT_EQ(VD_GetDevInfoUDPbyMAC("2:0:0:ab:cd:ef", 0x120), VD_FAIL);
    EXPECT_EQ(dev.Requests(), (std::vector<Bytes>{ReadRequest(0), ReadRequest(2)}));
    EXPECT_TRUE(TakeAllPairs().empty());
}
