// The host's out buffers of the TCP calls, each given at exactly its
// documented size and ending right before an inaccessible page, against
// devices that answer with the longest texts and packets they can.
#include <gtest/gtest.h>

#include <future>

#include "integration/support.h"
#include "sim_at_device.h"
#include "sim_io_module.h"

using namespace vdtest;

namespace {

const char kHost[] = "127.0.0.2";

std::string Read(const char *key, int expected = VD_OK) {
    GuardedBuffer value(VD_VALUE_LEN);
    value.Set("untouched");
    EXPECT_EQ(VD_GetDevConfigTCP(key, value.data()), expected) << key;
    return Written(value);
}

// Writes text from a buffer of the size the host gives: 16 bytes, or the
// text's length + 1 if that is more; gives what the buffer holds afterwards.
std::string Modify(const char *key, const std::string &text) {
    GuardedBuffer value(std::max<size_t>(16, text.size() + 1));
    value.Set(text.c_str());
    EXPECT_EQ(VD_ModifyDevConfigTCP(key, value.data()), VD_OK) << key;
    return Written(value);
}

// A device command reply packet whose payload is head, then fill bytes 0xEE.
std::string Reply(uint8_t code, Bytes head, size_t fill) {
    head.resize(head.size() + fill, 0xEE);
    const Bytes packet = vdsim::IoModule::Packet(code, head);
    return std::string(packet.begin(), packet.end());
}

TEST(BufferBounds, SessionReadsAreCutAndWritesRewrittenWithinTheGivenText) {
    // The NAME answer is as long as one read takes ("\r\n+NAME:\"" + 182
    // characters + "\"\r\n\r\nOK\r\n" makes 200 bytes).
    vdsim::AtDeviceSettings settings;
    settings.address = kHost;
    settings.password = "pw";
    settings.values = {{"NAME", std::string(182, 'n')},
                       {"LONG", std::string(400, 'l')},
                       {"C1_D1", "0x80000000"},
                       {"C1_D2", "0x" + std::string(150, 'F')},
                       {"C1_BAUD", "9600"}};
    vdsim::AtDevice device(settings);
    ASSERT_TRUE(device.Start());
    ASSERT_EQ(VD_LoginTCP(48, kHost, 8800, "pw"), VD_OK);
    EXPECT_EQ(Read("NAME"), std::string(VD_VALUE_LEN - 1, 'n'));
    // An answer longer than one read has no "OK" in what is read.
    EXPECT_EQ(Read("LONG", VD_FAIL), "untouched");
    EXPECT_EQ(Read("C1_D1"), "-2147483648");
    EXPECT_EQ(Read("C1_D2"), "-1");  // hex digits past the value buffer are not read
    // A quoted value that never closes runs to the end of the read.
    device.AnswerNextLineWith("\"" + std::string(193, 'v') + "\r\nOK\r\n");
    EXPECT_EQ(Read("NAME"), std::string(VD_VALUE_LEN - 1, 'v'));

    EXPECT_EQ(Modify("C1_D1", "-1"), "0xFFFFFFFF");
    EXPECT_EQ(device.Value("C1_D1"), "0xFFFFFFFF");
    // A long answer to a write is judged, never copied.
    device.AnswerNextLineWith("\r\nOK\r\n\"" + std::string(300, 'z') + "\"");
    EXPECT_EQ(Modify("C1_D2", "255"), "0xFF");
    // Texts longer than 15 characters, in buffers of their length + 1.
    EXPECT_EQ(Modify("C1_D1", "00000000000000000255"), "0xFF");
    EXPECT_EQ(Modify("C1_BAUD", "1152001152001152"), "1152001152001152");
    ASSERT_TRUE(device.WaitForLines(13, 500));
    const std::vector<std::string> lines = device.Lines();
    EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end()),
              (std::vector<std::string>{"AT+C1_D1=0xFFFFFFFF", "AT+C1_D2=0xFF", "AT+C1_D1=0xFF",
                                        "AT+C1_BAUD=1152001152001152"}));
    VD_ExitTCP();
}

TEST(BufferBounds, OversizedCommandRepliesFillParamAtMost) {
    const uint16_t port = 9100;
    TcpPeer device(port, kHost);
    ASSERT_TRUE(device.Listening());
    auto script = std::async(std::launch::async, [&] {
        std::vector<std::string> got;
        if (!device.Accept(4000)) return got;
        // The longest replies one read of 256 bytes takes: 251 payload bytes.
        got.push_back(device.Receive());
        device.Send(Reply(5, {0xFF, 0xFF, 0xFF, 0xFF}, 247));
        got.push_back(device.Receive());
        device.Send(Reply(1, {0xFF, 0xFF}, 249));
        // One byte more than a read takes: no whole packet arrives.
        got.push_back(device.Receive());
        device.Send(Reply(5, {0x01, 0x02, 0x03, 0x04}, 251));
        got.push_back(device.Receive(1000));  // the library closes
        return got;
    });
    GuardedBuffer param(VD_PARAM_LEN);
    param.Set("1");
    const auto send = [&](const char *cmd) { return VD_SendCmd(5, kHost, port, cmd, param.data(), 0); };
    EXPECT_EQ(send("GETADC"), VD_OK);
    EXPECT_EQ(Written(param), "65535,65535");
    EXPECT_EQ(send("GETIOSTAT"), VD_OK);
    EXPECT_EQ(Written(param), "255,255");
    EXPECT_EQ(send("GETADC"), VD_FAIL);
    EXPECT_EQ(Written(param), "255,255");
    EXPECT_EQ(script.get().size(), 4u);
}

}  // namespace
