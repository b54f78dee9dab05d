// Reading a family A device's settings by IP through the exports: the reply
// handed out pair by pair with the family's key rules, hostile replies, and
// the wait on a device that does not answer.
#include <gtest/gtest.h>

#include <cstring>

#include "family_a_support.h"

using namespace fama;
using vdsim::Bytes;
using vdsim::FamilyADevice;

namespace {

const vdsim::Mac kMac = {0x02, 0x00, 0x00, 0xAB, 0xCD, 0xEF};

class FamilyAInfo : public ::testing::Test {
protected:
    void SetUp() override {
        dev.SetItem(0x0B, {0x00, 0x50});  // C1_TCPAT
        dev.SetItem(0x0C, {0x01});        // COM1_ENABLEST: only D1 in use
        dev.SetItem(0x0D, {5});           // C1_D1
        dev.SetItem(0x0E, {6});           // C1_D2
        dev.SetItem(0x13, {0});           // IP_MODE
        dev.SetItem(0x20, {7});           // VERSION
        dev.SetText(0x02, "port-1");
        dev.SetPassword("pw");
    }
    FamilyADevice dev{"127.0.0.2", 1, kMac};
};

}  // namespace

TEST_F(FamilyAInfo, PairsAreHandedOutOnceWithTheFamilyRules) {
    ASSERT_TRUE(dev.Start());
    ASSERT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.2", 1), VD_OK);
    const auto got = dev.ReceivedDatagrams();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].bytes, (Bytes{0xA1, 0x14, 0x02, 0x00, 0x00, 0xFF}));

    EXPECT_EQ(TakeAllPairs(), (Pairs{{"TYPE", "1"},
                                     {"IP", "127.0.0.2"},
                                     {"MAC", "02:00:00:AB:CD:EF"},
                                     {"C1_TCPAT", "80"},
                                     {"C1_D1", "5"},
                                     {"C1_D2", "invalid"},
                                     {"IP_MODE", "1"},
                                     {"VERSION", "V1.07"},
                                     {"NAME", "port-1"},
                                     {"PASS", "pw"}}));
}

TEST_F(FamilyAInfo, KeysAskedByName) {
    ASSERT_TRUE(dev.Start());
    ASSERT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.2", 0x101), VD_OK);  // low byte 1
    char key[VD_KEY_LEN], value[VD_VALUE_LEN];
    std::strcpy(key, "PASS");
    std::strcpy(value, "keep");
    EXPECT_EQ(VD_GetDevConfigUDP(key, value), VD_FAIL);
    EXPECT_STREQ(value, "keep");
    std::strcpy(key, "COM1_ENABLEST");
    EXPECT_EQ(VD_GetDevConfigUDP(key, value), VD_FAIL);
    std::strcpy(key, "VERSION");
    EXPECT_EQ(VD_GetDevConfigUDP(key, value), VD_OK);
    EXPECT_STREQ(value, "V1.07");
    EXPECT_EQ(VD_GetDevConfigUDP(key, value), VD_OK);
    EXPECT_STREQ(value, "V1.00");
    std::strcpy(key, "C1_TCPAT");
    EXPECT_EQ(VD_GetDevConfigUDP(key, value), VD_OK);
    EXPECT_STREQ(value, "80");
    EXPECT_EQ(VD_GetDevConfigUDP(key, value), VD_FAIL);
    EXPECT_STREQ(value, "");
}

TEST(FamilyAInfoGroups, ACanDeviceReadsItsOwnKeys) {
    FamilyADevice can{"127.0.0.5", 17, kMac};
    can.SetItem(0x0B, {0xFF, 0xFF, 0xFF, 0xFE});
    can.SetItem(0x0C, {0x00, 0x00, 0x01, 0x00});
    can.SetItem(0x11, {10, 0, 0, 9});
    ASSERT_TRUE(can.Start());
    ASSERT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.5", 17), VD_OK);
    EXPECT_EQ(TakeAllPairs(), (Pairs{{"TYPE", "17"},
                                     {"IP", "127.0.0.5"},
                                     {"MAC", "02:00:00:AB:CD:EF"},
                                     {"CANSTDFTID", "4294967294"},
                                     {"CANSTDFTIDAREA", "256"},
                                     {"CANDESIP1", "10.0.0.9"}}));
}

TEST_F(FamilyAInfo, HostileRepliesAreCutNeverOverrun) {
    // Longer than the receive buffer, with a text longer than the library
    // keeps, a number item too short for its kind, unknown codes, and an item
    // running past the end.
    Bytes reply = vdsim::EncodeFamilyAItems({{0x01, {1}},
                                             {0x02, Bytes(200, 'n')},
                                             {0x77, {1, 2, 3}},
                                             {0x09, {}},
                                             {0x08, {4}}});
    while (reply.size() < 2040) reply = Cat(reply, vdsim::EncodeFamilyAItems({{0x1F, {9}}}));
    reply = Cat(reply, vdsim::EncodeFamilyAItems({{0x03, Bytes(10, 'p')}}));
    ASSERT_LT(reply.size() - 14, 2048u);  // the last item straddles byte 2048
    ASSERT_GT(reply.size(), 2048u);
    reply.resize(3000, 0xA1);
    dev.SetInfoReply(reply);
    ASSERT_TRUE(dev.Start());
    ASSERT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.2", 1), VD_OK);
    const Pairs pairs = TakeAllPairs();
    ASSERT_GE(pairs.size(), 4u);
    EXPECT_EQ(pairs[0], (std::pair<std::string, std::string>{"TYPE", "1"}));
    EXPECT_EQ(pairs[1], (std::pair<std::string, std::string>{"NAME", std::string(49, 'n')}));
    EXPECT_EQ(pairs[2], (std::pair<std::string, std::string>{"C1_PORT", std::to_string(0xFFA1)}));
    EXPECT_EQ(pairs[3], (std::pair<std::string, std::string>{"C1_OP", "4"}));
    for (size_t i = 4; i < pairs.size(); ++i) EXPECT_EQ(pairs[i].first, "C1_BUF_CLS");
}

TEST_F(FamilyAInfo, AnswersFromAnotherAddressAreIgnored) {
    dev.SetInfoReplySource("127.0.0.9");
    ASSERT_TRUE(dev.Start());
    EXPECT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.2", 1), VD_FAIL);
    EXPECT_TRUE(TakeAllPairs().empty());
}

TEST_F(FamilyAInfo, ASilentDeviceTimesOut) {
    dev.SetSilent(true);
    ASSERT_TRUE(dev.Start());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.2", 1), VD_FAIL);
    const double took = Seconds(start);
    EXPECT_GT(took, 2.1);
    EXPECT_LT(took, 3.5);
    EXPECT_EQ(dev.ReceivedDatagrams().size(), 1u);
    EXPECT_TRUE(TakeAllPairs().empty());
}

TEST(FamilyAInfoFamilies, FamilyBTypesAreRefusedAtOnce) {
    FamilyADevice dev{"127.0.0.2", 1, kMac};
    ASSERT_TRUE(dev.Start());
    EXPECT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.2", 48), VD_WRONG_FAMILY);
    EXPECT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.2", 0x130), VD_WRONG_FAMILY);
    EXPECT_EQ(VD_GetDevInfoUDPbyMAC("02:00:00:AB:CD:EF", 5), VD_WRONG_FAMILY);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(dev.ReceivedDatagrams().empty());
}
