// The TCP configuration session through the exports, against a simulated
// device that speaks the AT commands.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "integration/support.h"
#include "sim_at_device.h"

namespace {

using vdtest::SessionModify;
using vdtest::SessionRead;
using Lines = std::vector<std::string>;

const char kHost[] = "127.0.0.2";
const uint16_t kPort = 8800;
const Lines kLoginLines = {"AT+MODE=0", "AT+ECHO=0", "AT+LOGIN=secret", "AT"};

class TcpSession : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(device.Start()); }
    void TearDown() override { VD_ExitTCP(); }

    int Login(const char *password = "secret", int type = 48) { return VD_LoginTCP(type, kHost, kPort, password); }

    vdsim::AtDevice device{{kHost, kPort, "secret",
                            {{"IP", "192.168.0.7"}, {"C1_BAUD", "9600"}, {"C1_D1", "0x1A"}, {"C1_D2", "invalid"},
                             {"C1_PACK", "8,1"}}}};
};

TEST_F(TcpSession, LogsInReadsWritesExitsAndResets) {
    EXPECT_EQ(VD_ResetDevTCP(), VD_NOT_SENT);  // no connection yet
    ASSERT_EQ(Login(), VD_OK);
    EXPECT_EQ(device.Lines(), kLoginLines);
    EXPECT_EQ(SessionRead("IP"), "192.168.0.7");
    EXPECT_EQ(SessionRead("C1_D1"), "26");  // the device's 0x1A
    EXPECT_EQ(SessionRead("C1_D2"), "invalid");
    EXPECT_EQ(SessionModify("C1_BAUD", "115200"), "115200");
    EXPECT_EQ(SessionModify("C1_D1", "26"), "0x1A");
    EXPECT_EQ(SessionModify("C1_D2", "5"), "0x05");
    EXPECT_EQ(SessionModify("C1_D2", "0x07"), "0x07");
    EXPECT_EQ(VD_ExitTCP(), VD_OK);
    ASSERT_TRUE(device.WaitForLines(kLoginLines.size() + 8, 500));
    const Lines lines = device.Lines();
    EXPECT_EQ(Lines(lines.begin() + long(kLoginLines.size()), lines.end()),
              (Lines{"AT+IP?", "AT+C1_D1?", "AT+C1_D2?", "AT+C1_BAUD=115200", "AT+C1_D1=0x1A", "AT+C1_D2=0x05",
                     "AT+C1_D2=0x07", "AT+EXIT"}));
    // The connection is gone: nothing more can be sent.
    SessionRead("IP", VD_NOT_SENT);
    EXPECT_EQ(VD_ExitTCP(), VD_NOT_SENT);

    ASSERT_EQ(Login(), VD_OK);
    EXPECT_EQ(VD_ResetDevTCP(), VD_OK);
    ASSERT_TRUE(device.WaitForLines(lines.size() + kLoginLines.size() + 1, 500));
    EXPECT_EQ(device.Lines().back(), "AT+RESET=secret");
    // The device restarts and closes; once that is noticed nothing is sent.
    for (int i = 0; i < 5; ++i) VD_PumpMessages(50);
    SessionRead("IP", VD_NOT_SENT);
}

TEST_F(TcpSession, EveryRefusalHasItsCode) {
    EXPECT_EQ(Login("secret", 0x105), VD_WRONG_FAMILY);
    EXPECT_EQ(Login(std::string(200, 'p').c_str()), VD_WRONG_PASSWORD);  // too long to send
    // A line break would end the command and start another on the device: a
    // text holding any control character is refused before anything is sent.
    EXPECT_EQ(Login("secret\r\nAT+RESET=secret"), VD_PARAM_FORMAT);
    EXPECT_EQ(device.Connections(), 0);
    // The device answers the login line with a password error, then "ERROR"
    // to the check line; the session closes the connection.
    EXPECT_EQ(Login("guess"), VD_WRONG_PASSWORD);
    SessionRead("IP", VD_NOT_SENT);
    EXPECT_EQ(Login("secret", 0x120), VD_OK);  // only the low byte counts
    EXPECT_EQ(device.Connections(), 2);

    EXPECT_EQ(SessionRead("NOSUCHKEY", VD_INVALID_COMMAND), "untouched");
    SessionModify("C1_BAUD", "fast", VD_PARAM_FORMAT);
    SessionModify("C1_D1", "0xZZ", VD_PARAM_FORMAT);
    SessionModify("C1_PACK", "8", VD_PARAM_COUNT);
    EXPECT_EQ(device.Value("C1_BAUD"), "9600");
    // Texts too long for a command line, or holding a control character,
    // are not sent.
    const size_t sent = device.Lines().size();
    SessionRead(std::string(220, 'K').c_str(), VD_NOT_SENT);
    SessionModify("C1_BAUD", std::string(200, '1'), VD_NOT_SENT);
    SessionRead("IP?\r\nAT+C1_BAUD=1200\r\nAT+IP", VD_PARAM_FORMAT);
    EXPECT_EQ(SessionModify("C1_BAUD", "1200\r\nAT+IP=1", VD_PARAM_FORMAT), "1200\r\nAT+IP=1");
    EXPECT_EQ(SessionModify("C1_BAUD=1200\nAT+NAME", "x", VD_PARAM_FORMAT), "x");
    EXPECT_EQ(SessionModify("NAME", "tab\there", VD_PARAM_FORMAT), "tab\there");
    EXPECT_EQ(SessionModify("NAME", "del\x7f", VD_PARAM_FORMAT), "del\x7f");
    EXPECT_EQ(device.Lines().size(), sent);

    device.ForgetLogin();
    SessionRead("IP", VD_NOT_SENT);  // "1_No Lgin"
    SessionModify("C1_BAUD", "4800", VD_NOT_SENT);
    // Logging in again goes over the same connection.
    ASSERT_EQ(Login(), VD_OK);
    EXPECT_EQ(SessionRead("IP"), "192.168.0.7");
    EXPECT_EQ(device.Connections(), 2);

    // An answer split over two segments is judged by the first; the next
    // command drops the rest and is judged by its own first segment.
    device.SetSplitReplies(true);
    SessionRead("IP", VD_FAIL);
    vdtest::SleepMs(100);
    SessionModify("C1_BAUD", "4800", VD_FAIL);
}

// A closed port gives 103; silence 104, at login (which closes the
// connection) and after it (which keeps it).
TEST_F(TcpSession, AClosedPortAndSilenceHaveTheirCodes) {
    EXPECT_EQ(VD_LoginTCP(48, kHost, kPort + 1, "secret"), VD_NO_CONNECTION);
    device.SetSilent(true);
    EXPECT_EQ(Login(), VD_TIMEOUT);
    SessionRead("IP", VD_NOT_SENT);
    device.SetSilent(false);
    ASSERT_EQ(Login(), VD_OK);
    device.SetSilent(true);
    SessionRead("IP", VD_TIMEOUT);
    device.SetSilent(false);
    EXPECT_EQ(SessionRead("C1_BAUD"), "9600");
}

// Out buffers of exactly their documented size, before an inaccessible page,
// against a device that answers with the longest texts it can.
TEST(BufferBounds, SessionReadsAreCutAndWritesRewrittenWithinTheGivenText) {
    // The NAME answer is as long as one read takes ("\r\n+NAME:\"" + 182
    // characters + "\"\r\n\r\nOK\r\n" makes 200 bytes).
    vdsim::AtDevice device({kHost, kPort, "pw",
                            {{"NAME", std::string(182, 'n')}, {"LONG", std::string(400, 'l')},
                             {"C1_D1", "0x80000000"}, {"C1_D2", "0x" + std::string(150, 'F')}, {"C1_BAUD", "9600"}}});
    ASSERT_TRUE(device.Start());
    ASSERT_EQ(VD_LoginTCP(48, kHost, 8800, "pw"), VD_OK);
    EXPECT_EQ(SessionRead("NAME"), std::string(VD_VALUE_LEN - 1, 'n'));
    // An answer longer than one read has no "OK" in what is read.
    EXPECT_EQ(SessionRead("LONG", VD_FAIL), "untouched");
    EXPECT_EQ(SessionRead("C1_D1"), "-2147483648");
    EXPECT_EQ(SessionRead("C1_D2"), "-1");  // hex digits past the value buffer are not read
    // A quoted value that never closes runs to the end of the read.
    device.AnswerNextLineWith("\"" + std::string(193, 'v') + "\r\nOK\r\n");
    EXPECT_EQ(SessionRead("NAME"), std::string(VD_VALUE_LEN - 1, 'v'));

    EXPECT_EQ(SessionModify("C1_D1", "-1"), "0xFFFFFFFF");
    // A long answer to a write is judged, never copied.
    device.AnswerNextLineWith("\r\nOK\r\n\"" + std::string(300, 'z') + "\"");
    EXPECT_EQ(SessionModify("C1_D2", "255"), "0xFF");
    // Texts longer than 15 characters, in buffers of their length + 1.
    EXPECT_EQ(SessionModify("C1_D1", "00000000000000000255"), "0xFF");
    EXPECT_EQ(SessionModify("C1_BAUD", "1152001152001152"), "1152001152001152");
    ASSERT_TRUE(device.WaitForLines(13, 500));
    const std::vector<std::string> lines = device.Lines();
    EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end()),
              (std::vector<std::string>{"AT+C1_D1=0xFFFFFFFF", "AT+C1_D2=0xFF", "AT+C1_D1=0xFF",
                                        "AT+C1_BAUD=1152001152001152"}));
    VD_ExitTCP();
}

}  // namespace
