// The host's out buffers of the TCP calls, each given at exactly its
// documented size and ending right before an inaccessible page, against
// devices that answer with the longest texts and packets they can.
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <string>
#include <vector>

#include "integration/support.h"
#include "sim_at_device.h"
#include "sim_io_module.h"
#include "vandrel.h"

using vdtest::Written;

namespace {

const char kHost[] = "127.0.0.2";
const uint16_t kPort = 8800;

// A session with a device whose NAME answer is as long as one read takes
// ("\r\n+NAME:\"" + 182 characters + "\"\r\n\r\nOK\r\n" makes 200 bytes).
class Session {
public:
    Session() : device(Settings()) {}
    ~Session() { VD_ExitTCP(); }
    static vdsim::AtDeviceSettings Settings() {
        vdsim::AtDeviceSettings s;
        s.address = kHost;
        s.port = kPort;
        s.password = "pw";
        s.values = {{"NAME", std::string(182, 'n')},
                    {"LONG", std::string(400, 'l')},
                    {"C1_D1", "0x80000000"},
                    {"C1_D2", "0x" + std::string(150, 'F')},
                    {"C1_BAUD", "9600"}};
        return s;
    }
    bool Open() { return device.Start() && VD_LoginTCP(48, kHost, kPort, "pw") == VD_OK; }

    vdsim::AtDevice device;
};

std::string Read(const char *key, int expected = VD_OK) {
    GuardedBuffer value(VD_VALUE_LEN);
    value.Set("untouched");
    EXPECT_EQ(VD_GetDevConfigTCP(key, value.data()), expected) << key;
    return Written(value);
}

// Writes text from a buffer of the size the host gives: 16 bytes, or the
// text's length + 1 if that is more; gives what the buffer holds afterwards.
std::string Modify(const char *key, const std::string &text, int expected = VD_OK) {
    GuardedBuffer value(std::max<size_t>(16, text.size() + 1));
    value.Set(text.c_str());
    EXPECT_EQ(VD_ModifyDevConfigTCP(key, value.data()), expected) << key;
    return Written(value);
}

std::string Text(std::initializer_list<uint8_t> head, size_t fill, uint8_t filler) {
    std::string out(head.begin(), head.end());
    out.append(fill, char(filler));
    return out;
}

// A device command reply packet around payload.
std::string Reply(uint8_t code, const std::string &payload) {
    const vdsim::IoModule::Bytes packet =
        vdsim::IoModule::Packet(code, vdsim::IoModule::Bytes(payload.begin(), payload.end()));
    return std::string(packet.begin(), packet.end());
}

int SendCmd(const char *host, uint32_t port, const char *cmd, GuardedBuffer &param) {
    return VD_SendCmd(5, host, port, cmd, param.data(), 0);
}

}  // namespace

TEST(BufferBounds, SessionReadsAreCutToTheValueBuffer) {
    Session s;
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(Read("NAME"), std::string(VD_VALUE_LEN - 1, 'n'));
    // An answer longer than one read has no "OK" in what is read.
    EXPECT_EQ(Read("LONG", VD_FAIL), "untouched");
    EXPECT_EQ(Read("C1_D1"), "-2147483648");
    EXPECT_EQ(Read("C1_D2"), "-1");  // hex digits past the value buffer are not read
    // A quoted value that never closes runs to the end of the read.
    s.device.AnswerNextLineWith("\"" + std::string(193, 'v') + "\r\nOK\r\n");
    EXPECT_EQ(Read("NAME"), std::string(VD_VALUE_LEN - 1, 'v'));
}

TEST(BufferBounds, SessionWritesRewriteWithinTheGivenText) {
    Session s;
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(Modify("C1_D1", "-1"), "0xFFFFFFFF");
    EXPECT_EQ(s.device.Value("C1_D1"), "0xFFFFFFFF");
    // A long answer to a write is judged, never copied.
    s.device.AnswerNextLineWith("\r\nOK\r\n\"" + std::string(300, 'z') + "\"");
    EXPECT_EQ(Modify("C1_D2", "255"), "0xFF");
    // Texts longer than 15 characters, in buffers of their length + 1.
    EXPECT_EQ(Modify("C1_D1", "00000000000000000255"), "0xFF");
    EXPECT_EQ(Modify("C1_BAUD", "1152001152001152"), "1152001152001152");
    ASSERT_TRUE(s.device.WaitForLines(8, 500));
    const std::vector<std::string> lines = s.device.Lines();
    EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end()),
              (std::vector<std::string>{"AT+C1_D1=0xFFFFFFFF", "AT+C1_D2=0xFF", "AT+C1_D1=0xFF",
                                        "AT+C1_BAUD=1152001152001152"}));
}

TEST(BufferBounds, IoModuleReadingsAtTheirLargestFillParam) {
    vdsim::IoModuleSettings settings;
    settings.address = "127.0.0.3";
    settings.adc[0] = settings.adc[1] = 65535;
    settings.io[0] = settings.io[1] = 255;
    vdsim::IoModule module(settings);
    ASSERT_TRUE(module.Start());
    GuardedBuffer param(VD_PARAM_LEN);
    param.Set("1");
    // A packet with a wrong check byte and a long payload goes ahead.
    module.PutAheadOfNextReply(vdsim::IoModule::Packet(5, vdsim::IoModule::Bytes(200, 0xEE), true));
    EXPECT_EQ(SendCmd("127.0.0.3", kPort, "GETADC", param), VD_OK);
    EXPECT_EQ(Written(param), "65535,65535");
    EXPECT_EQ(SendCmd("127.0.0.3", kPort, "GETIOSTAT", param), VD_OK);
    EXPECT_EQ(Written(param), "255,255");
    // A reset leaves param alone and closes the connection the commands share.
    EXPECT_EQ(SendCmd("127.0.0.3", kPort, "RESETDEV", param), VD_OK);
    EXPECT_EQ(Written(param), "255,255");
}

TEST(BufferBounds, OversizedCommandRepliesFillParamAtMost) {
    const uint16_t port = 9100;
    vdtest::TcpPeer device(port, kHost);
    ASSERT_TRUE(device.Listening());
    auto script = std::async(std::launch::async, [&] {
        std::vector<std::string> got;
        if (!device.Accept(4000)) return got;
        // The longest replies one read of 256 bytes takes: 251 payload bytes.
        got.push_back(device.Receive());
        device.Send(Reply(5, Text({0xFF, 0xFF, 0xFF, 0xFF}, 247, 0xEE)));
        got.push_back(device.Receive());
        device.Send(Reply(1, Text({0xFF, 0xFF}, 249, 0xEE)));
        // One byte more than a read takes: no whole packet arrives.
        got.push_back(device.Receive());
        device.Send(Reply(5, Text({0x01, 0x02, 0x03, 0x04}, 251, 0xEE)));
        got.push_back(device.Receive(1000));  // the library closes
        return got;
    });
    GuardedBuffer param(VD_PARAM_LEN);
    param.Set("1");
    EXPECT_EQ(SendCmd(kHost, port, "GETADC", param), VD_OK);
    EXPECT_EQ(Written(param), "65535,65535");
    EXPECT_EQ(SendCmd(kHost, port, "GETIOSTAT", param), VD_OK);
    EXPECT_EQ(Written(param), "255,255");
    EXPECT_EQ(SendCmd(kHost, port, "GETADC", param), VD_FAIL);
    EXPECT_EQ(Written(param), "255,255");
    EXPECT_EQ(script.get().size(), 4u);
}
