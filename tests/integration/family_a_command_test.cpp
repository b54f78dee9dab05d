// Family A commands through VD_SendCmd: the datagram commands, also after a
// TCP command left its connection open, and the IO commands over TCP with
// their reply text in param, within its size.
#include <gtest/gtest.h>

#include <future>

#include "integration/support.h"
#include "sim_family_a.h"
#include "sim_firmware.h"
#include "sim_io_module.h"

using namespace vdtest;

namespace {

std::string Text(std::initializer_list<uint8_t> bytes) { return std::string(bytes.begin(), bytes.end()); }

// A device command reply packet whose payload is head, then fill bytes 0xEE.
std::string Reply(uint8_t code, Bytes head, size_t fill) {
    head.resize(head.size() + fill, 0xEE);
    const Bytes packet = vdsim::IoModule::Packet(code, head);
    return std::string(packet.begin(), packet.end());
}

int SendCmd(int type, uint32_t port, const char *cmd, const char *param, uint8_t transport) {
    char buffer[VD_PARAM_LEN];
    snprintf(buffer, sizeof buffer, "%s", param);
    return VD_SendCmd(type, "127.0.0.2", port, cmd, buffer, transport);
}

TEST(FamilyACommand, DatagramCommandsAreOnePaddedItemEvenAfterATcpCommand) {
    vdsim::FirmwareReceiver receiver{"127.0.0.2", 9000, vdsim::FirmwareReceiver::Transport::Tcp};
    vdsim::FamilyADevice dev{"127.0.0.2", 7, {0x02, 0x00, 0x00, 0x00, 0x00, 0x08}};
    ASSERT_TRUE(receiver.Start() && dev.Start());
    // "ERASE" over TCP leaves its connection open; the datagram requests
    // after it still go out as datagrams.
    ASSERT_EQ(SendCmd(5, 9000, "ERASE", "", 0), VD_OK);
    ASSERT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.2", 7), VD_OK);
    EXPECT_EQ(SendCmd(5, 8800, "RESETDEV", "1", 1), VD_OK);
    EXPECT_EQ(SendCmd(3, 8800, "10TCTRLIO", "258", 1), VD_OK);
    EXPECT_EQ(SendCmd(7, 8800, "RESETDEV10T", "4", 1), VD_OK);
    EXPECT_EQ(SendCmd(9, 8800, "RESETDEV10T", "4", 1), VD_FAIL);
    EXPECT_EQ(SendCmd(5, 8800, "GETADC", "", 1), VD_FAIL);
    ASSERT_TRUE(dev.WaitForDatagrams(4, 1000));
    SleepMs(50);
    const Bytes padding(15, 0xFF);
    EXPECT_EQ(dev.Writes(), (std::vector<Bytes>{Cat({0xA1, 0x1B, 0x01, 0x01, 0xFF}, padding),
                                                Cat({0xA1, 0x23, 0x01, 0x02, 0xFF}, padding),
                                                Cat({0xA1, 0x25, 0x01, 0x04, 0xFF}, padding)}));
    EXPECT_EQ(receiver.Packets().size(), 1u);  // nothing more went out on the stream
}

// The host's param buffer is of exactly its documented size before an
// inaccessible page, and the replies are the longest one read of 256 bytes
// takes (251 payload bytes), or one byte longer.
TEST(FamilyACommand, IoCommandsOverTcpFillParamOnOneConnectionUntilAResetOrAFailure) {
    constexpr uint16_t kPort = 9100;
    TcpPeer device(kPort, "127.0.0.2");
    ASSERT_TRUE(device.Listening());
    // Each step: whether it takes a fresh connection, then a read, then what
    // the device answers ("" after a read that finds the connection closed).
    const std::vector<std::pair<bool, std::string>> steps = {
        {true, Reply(5, {0xFF, 0xFF, 0xFF, 0xFE}, 247)},
        {false, Text({0xAA, 0x02, 0x01, 0x0F, 0x00, 0x0D})},  // wrong check byte
        {false, ""}, {true, Reply(1, {0xFF, 0x06}, 249)}, {false, Text({0xAA, 0x04, 0x00, 0xAE, 0x0D})}, {false, ""},
        {true, Reply(5, {0x01, 0x02, 0x03, 0x04}, 251)},  // no whole packet in one read
        {false, ""}};
    auto script = std::async(std::launch::async, [&] {
        std::vector<std::string> got;
        for (const auto &[fresh, answer] : steps) {
            if (fresh && !device.Accept(4000)) break;
            got.push_back(device.Receive());
            if (!answer.empty()) device.Send(answer);
        }
        return got;
    });
    GuardedBuffer param(VD_PARAM_LEN);
    const auto send = [&](const char *cmd) { return VD_SendCmd(5, "127.0.0.2", kPort, cmd, param.data(), 0); };
    EXPECT_EQ(send("GETADC"), VD_OK);
    EXPECT_EQ(Written(param), "65535,65534");
    param.Set("15");
    EXPECT_EQ(send("SETIODIR"), VD_FAIL);
    EXPECT_EQ(Written(param), "15");
    EXPECT_EQ(send("GETIOSTAT"), VD_OK);
    EXPECT_EQ(Written(param), "255,6");
    param.Set("1");
    EXPECT_EQ(send("RESETDEV"), VD_OK);
    EXPECT_EQ(Written(param), "1");
    EXPECT_EQ(send("GETADC"), VD_FAIL);
    EXPECT_EQ(Written(param), "1");
    const std::string getAdc = Text({0xAA, 0x05, 0x00, 0xAF, 0x0D});
    EXPECT_EQ(script.get(), (std::vector<std::string>{getAdc, Text({0xAA, 0x02, 0x01, 0x0F, 0xA6, 0x0D}), "",
                                                      Text({0xAA, 0x01, 0x00, 0xAB, 0x0D}),
                                                      Text({0xAA, 0x04, 0x00, 0xAE, 0x0D}), "", getAdc, ""}));
    EXPECT_FALSE(device.Accept(0));
}

}  // namespace
