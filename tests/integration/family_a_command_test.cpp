// Family A commands through VD_SendCmd, against a simulated device.
#include <gtest/gtest.h>

#include "family_a_support.h"

using namespace fama;
using vdsim::Bytes;
using vdsim::FamilyADevice;

namespace {

const vdsim::Mac kMac = {0x02, 0x00, 0x00, 0x00, 0x00, 0x08};
const Bytes kPadding(15, 0xFF);

int SendCmd(int type, const char *cmd, const char *param, uint8_t transport = 1, uint32_t port = 8800) {
    char buffer[64];
    snprintf(buffer, sizeof buffer, "%s", param);
    return VD_SendCmd(type, "127.0.0.2", port, cmd, buffer, transport);
}

}  // namespace

TEST(FamilyACommand, DatagramCommandsAreOnePaddedItem) {
    FamilyADevice dev{"127.0.0.2", 7, kMac};
    ASSERT_TRUE(dev.Start());
    EXPECT_EQ(SendCmd(5, "RESETDEV", "1"), VD_OK);
    EXPECT_EQ(SendCmd(3, "10TCTRLIO", "258"), VD_OK);
    EXPECT_EQ(SendCmd(7, "RESETDEV10T", "4"), VD_OK);
    EXPECT_EQ(SendCmd(9, "RESETDEV10T", "4"), VD_FAIL);
    EXPECT_EQ(SendCmd(5, "GETADC", ""), VD_FAIL);
    ASSERT_TRUE(dev.WaitForDatagrams(3, 1000));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(dev.Writes(), (std::vector<Bytes>{Cat({0xA1, 0x1B, 0x01, 0x01, 0xFF}, kPadding),
                                                Cat({0xA1, 0x23, 0x01, 0x02, 0xFF}, kPadding),
                                                Cat({0xA1, 0x25, 0x01, 0x04, 0xFF}, kPadding)}));
}
