// Commands to a family B device: "RESETDEV" sends the restart request to the
// MAC given as the parameter; nothing else is a family B command.
#include <gtest/gtest.h>

#include <thread>

#include "family_b_support.h"

using namespace famb;
using vdsim::FamilyBDevice;

TEST(FamilyBCommand, ResetSendsTheRestartRequest) {
    FamilyBDevice dev{"127.0.0.2", 64, kMac};
    ASSERT_TRUE(dev.Start());
    char param[VD_MAC_LEN];
    snprintf(param, sizeof param, "%s", kMacText);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(VD_SendCmd(64, "", 0, "RESETDEV", param, 1), VD_OK);
    EXPECT_LT(Seconds(start), 0.1);  // no answer is awaited
    ASSERT_TRUE(dev.WaitForRequests(1, 1000));
    EXPECT_EQ(dev.Requests(), (std::vector<Bytes>{RestartRequest()}));
    EXPECT_EQ(dev.Restarts(), 1);
    EXPECT_STREQ(param, kMacText);
    // Only the low byte of the type counts.
    EXPECT_EQ(VD_SendCmd(0x140, "", 0, "RESETDEV", param, 1), VD_OK);
    ASSERT_TRUE(dev.WaitForRequests(2, 1000));
}

TEST(FamilyBCommand, OtherCommandsAndTransportsAreRefused) {
    FamilyBDevice dev{"127.0.0.2", 32, kMac};
    ASSERT_TRUE(dev.Start());
    char param[VD_MAC_LEN];
    snprintf(param, sizeof param, "%s", kMacText);
    EXPECT_EQ(VD_SendCmd(32, "", 0, "RESETDEV", param, 0), VD_FAIL);
    EXPECT_EQ(VD_SendCmd(32, "", 0, "RESET", param, 1), VD_FAIL);
    EXPECT_EQ(VD_SendCmd(32, "", 0, "resetdev", param, 1), VD_FAIL);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(dev.ReceivedDatagrams().empty());
}
