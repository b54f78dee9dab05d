// Family A IO commands over TCP through VD_SendCmd: the device command packet
// goes out, the reply text comes back in param, and the connection stays
// open for the next command except after a reset or a failure.
#include <gtest/gtest.h>

#include <future>

#include "family_a_support.h"
#include "integration/support.h"

using namespace fama;

namespace {

constexpr uint16_t kPort = 9100;

std::string Text(std::initializer_list<uint8_t> bytes) { return std::string(bytes.begin(), bytes.end()); }

const std::string kGetAdc = Text({0xAA, 0x05, 0x00, 0xAF, 0x0D});
const std::string kGetIoStat = Text({0xAA, 0x01, 0x00, 0xAB, 0x0D});
const std::string kResetDev = Text({0xAA, 0x04, 0x00, 0xAE, 0x0D});
const std::string kSetIoDir15 = Text({0xAA, 0x02, 0x01, 0x0F, 0xA6, 0x0D});

int SendCmd(const char *cmd, char *param) { return VD_SendCmd(5, "127.0.0.2", kPort, cmd, param, 0); }

}  // namespace

TEST(FamilyATcpCommand, RepliesFillParamOnOneConnectionUntilAReset) {
    vdtest::TcpPeer device(kPort, "127.0.0.2");
    ASSERT_TRUE(device.Listening());
    auto script = std::async(std::launch::async, [&] {
        std::vector<std::string> got;
        if (!device.Accept(4000)) return got;
        got.push_back(device.Receive());
        device.Send(Text({0x01, 0xAA, 0x05, 0x04, 0x01, 0x02, 0x03, 0x04, 0xAF, 0x0D}));  // after a stray byte
        got.push_back(device.Receive());
        device.Send(Text({0xAA, 0x01, 0x02, 0xFF, 0x06, 0x50, 0x0D}));
        got.push_back(device.Receive());
        device.Send(Text({0xAA, 0x04, 0x00, 0xAE, 0x0D}));
        got.push_back(device.Receive(1000));  // the library closes: nothing more
        return got;
    });
    char param[VD_PARAM_LEN] = "";
    EXPECT_EQ(SendCmd("GETADC", param), VD_OK);
    EXPECT_STREQ(param, "258,772");
    EXPECT_EQ(SendCmd("GETIOSTAT", param), VD_OK);
    EXPECT_STREQ(param, "255,6");
    std::snprintf(param, sizeof param, "1");
    EXPECT_EQ(SendCmd("RESETDEV", param), VD_OK);
    EXPECT_STREQ(param, "1");
    EXPECT_EQ(script.get(), (std::vector<std::string>{kGetAdc, kGetIoStat, kResetDev, ""}));
    EXPECT_FALSE(device.Accept(0));  // no second connection was made
}

TEST(FamilyATcpCommand, AWrongOrMissingReplyFailsAndCloses) {
    vdtest::TcpPeer device(kPort, "127.0.0.2");
    ASSERT_TRUE(device.Listening());
    auto script = std::async(std::launch::async, [&] {
        std::vector<std::string> got;
        if (!device.Accept(4000)) return got;
        got.push_back(device.Receive());
        device.Send(Text({0xAA, 0x02, 0x01, 0x0F, 0x00, 0x0D}));  // wrong check byte
        got.push_back(device.Receive(1000));                     // closed
        if (!device.Accept(4000)) return got;                     // a fresh connection
        got.push_back(device.Receive());                          // and no reply
        got.push_back(device.Receive(3000));
        return got;
    });
    char param[VD_PARAM_LEN] = "15";
    EXPECT_EQ(SendCmd("SETIODIR", param), VD_FAIL);
    EXPECT_STREQ(param, "15");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SendCmd("GETADC", param), VD_FAIL);
    EXPECT_GT(Seconds(start), 1.9);
    EXPECT_STREQ(param, "15");
    EXPECT_EQ(script.get(), (std::vector<std::string>{kSetIoDir15, "", kGetAdc, ""}));
}

TEST(FamilyATcpCommand, UnknownCommandsAndDatagramIoCommandsSendNothing) {
    vdsim::FamilyADevice dev{"127.0.0.2", 5, {2, 0, 0, 0, 0, 9}, kPort};
    ASSERT_TRUE(dev.Start());
    char param[VD_PARAM_LEN] = "1";
    EXPECT_EQ(VD_SendCmd(5, "127.0.0.2", kPort, "GETADC", param, 1), VD_FAIL);
    EXPECT_EQ(VD_SendCmd(5, "127.0.0.2", kPort, "10TCTRLIO", param, 1), VD_OK);
    ASSERT_TRUE(dev.WaitForDatagrams(1, 1000));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(dev.ReceivedDatagrams().size(), 1u);

    vdtest::TcpPeer device(kPort, "127.0.0.2");
    ASSERT_TRUE(device.Listening());
    EXPECT_EQ(VD_SendCmd(5, "127.0.0.2", kPort, "NOSUCH", param, 0), VD_FAIL);
    ASSERT_TRUE(device.Accept(0));  // connected, but
    EXPECT_EQ(device.Receive(100), "");  // sent nothing
}
