// The TCP configuration session through the exports, against a simulated
// device that speaks the AT commands.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "sim_at_device.h"
#include "vandrel.h"

namespace {

using Lines = std::vector<std::string>;

const char kHost[] = "127.0.0.2";
const uint16_t kPort = 8800;
const char kPassword[] = "secret";
const Lines kLoginLines = {"AT+MODE=0", "AT+ECHO=0", "AT+LOGIN=secret", "AT"};

vdsim::AtDeviceSettings DeviceSettings() {
    vdsim::AtDeviceSettings s;
    s.address = kHost;
    s.port = kPort;
    s.password = kPassword;
    s.values = {{"IP", "192.168.0.7"},
                {"C1_BAUD", "9600"},
                {"C1_D1", "0x1A"},
                {"C1_D2", "invalid"},
                {"C1_PACK", "8,1"},
                {"NAME", std::string(100, 'n')}};
    return s;
}

class TcpSession : public ::testing::Test {
protected:
    TcpSession() : device(DeviceSettings()) {}
    void SetUp() override { ASSERT_TRUE(device.Start()); }
    void TearDown() override { VD_ExitTCP(); }

    int Login(const char *password = kPassword) { return VD_LoginTCP(48, kHost, kPort, password); }

    std::string Read(const char *key, int expected = VD_OK) {
        char value[VD_VALUE_LEN] = "";
        EXPECT_EQ(VD_GetDevConfigTCP(key, value), expected) << key;
        return value;
    }

    vdsim::AtDevice device;
};

TEST_F(TcpSession, LogsInReadsWritesAndExits) {
    ASSERT_EQ(Login(), VD_OK);
    EXPECT_EQ(device.Lines(), kLoginLines);

    EXPECT_EQ(Read("IP"), "192.168.0.7");
    EXPECT_EQ(Read("C1_D1"), "26");  // the device's 0x1A
    EXPECT_EQ(Read("C1_D2"), "invalid");

    char baud[16] = "115200";
    EXPECT_EQ(VD_ModifyDevConfigTCP("C1_BAUD", baud), VD_OK);
    EXPECT_EQ(device.Value("C1_BAUD"), "115200");

    char d1[16] = "26";
    EXPECT_EQ(VD_ModifyDevConfigTCP("C1_D1", d1), VD_OK);
    EXPECT_STREQ(d1, "0x1A");
    char d2[16] = "5";
    EXPECT_EQ(VD_ModifyDevConfigTCP("C1_D2", d2), VD_OK);
    EXPECT_STREQ(d2, "0x05");
    char d2hex[16] = "0x07";
    EXPECT_EQ(VD_ModifyDevConfigTCP("C1_D2", d2hex), VD_OK);
    EXPECT_STREQ(d2hex, "0x07");
    EXPECT_EQ(device.Value("C1_D2"), "0x07");

    EXPECT_EQ(VD_ExitTCP(), VD_OK);
    ASSERT_TRUE(device.WaitForLines(kLoginLines.size() + 8, 500));
    const Lines lines = device.Lines();
    const Lines sent(lines.begin() + long(kLoginLines.size()), lines.end());
    EXPECT_EQ(sent, (Lines{"AT+IP?", "AT+C1_D1?", "AT+C1_D2?", "AT+C1_BAUD=115200",
                           "AT+C1_D1=0x1A", "AT+C1_D2=0x05", "AT+C1_D2=0x07", "AT+EXIT"}));

    // The connection is gone: nothing more can be sent.
    Read("IP", VD_NOT_SENT);
    EXPECT_EQ(VD_ExitTCP(), VD_NOT_SENT);
}

TEST_F(TcpSession, DeviceErrorTextsBecomeCodesAndKeepTheConnection) {
    ASSERT_EQ(Login(), VD_OK);
    EXPECT_EQ(Read("NOSUCHKEY", VD_INVALID_COMMAND), "");

    char fast[16] = "fast";
    EXPECT_EQ(VD_ModifyDevConfigTCP("C1_BAUD", fast), VD_PARAM_FORMAT);
    char notHex[16] = "0xZZ";
    EXPECT_EQ(VD_ModifyDevConfigTCP("C1_D1", notHex), VD_PARAM_FORMAT);
    char pack[16] = "8";
    EXPECT_EQ(VD_ModifyDevConfigTCP("C1_PACK", pack), VD_PARAM_COUNT);
    EXPECT_EQ(device.Value("C1_BAUD"), "9600");

    device.ForgetLogin();
    Read("IP", VD_NOT_SENT);  // "1_No Lgin"
    char baud[16] = "4800";
    EXPECT_EQ(VD_ModifyDevConfigTCP("C1_BAUD", baud), VD_NOT_SENT);

    // Logging in again goes over the same connection.
    ASSERT_EQ(Login(), VD_OK);
    EXPECT_EQ(Read("IP"), "192.168.0.7");
    EXPECT_EQ(device.Connections(), 1);
}

TEST_F(TcpSession, LoginIsRefusedForOtherFamiliesAndWrongPasswords) {
    EXPECT_EQ(VD_LoginTCP(1, kHost, kPort, kPassword), VD_WRONG_FAMILY);
    EXPECT_EQ(VD_LoginTCP(0x105, kHost, kPort, kPassword), VD_WRONG_FAMILY);
    EXPECT_EQ(device.Connections(), 0);

    // The device answers the login line with a password error, then "ERROR"
    // to the check line; the session closes the connection.
    EXPECT_EQ(Login("guess"), VD_WRONG_PASSWORD);
    Read("IP", VD_NOT_SENT);

    // Only the low byte of the type counts: 0x120 is 32.
    EXPECT_EQ(VD_LoginTCP(0x120, kHost, kPort, kPassword), VD_OK);
    EXPECT_EQ(device.Connections(), 2);
}

TEST_F(TcpSession, OverLongTextsAreRefusedWithoutSending) {
    EXPECT_EQ(Login(std::string(200, 'p').c_str()), VD_WRONG_PASSWORD);
    EXPECT_EQ(device.Connections(), 0);

    ASSERT_EQ(Login(), VD_OK);
    const std::string key(220, 'K');
    Read(key.c_str(), VD_NOT_SENT);
    std::string longValue(200, '1');
    EXPECT_EQ(VD_ModifyDevConfigTCP("C1_BAUD", &longValue[0]), VD_NOT_SENT);
    // Nothing went out and the connection stays usable.
    EXPECT_EQ(Read("IP"), "192.168.0.7");
    EXPECT_EQ(device.Lines().size(), kLoginLines.size() + 1);
}

TEST_F(TcpSession, LongValuesAreCutToTheHostsBuffer) {
    ASSERT_EQ(Login(), VD_OK);
    char buffer[VD_VALUE_LEN + 16];
    std::memset(buffer, 'x', sizeof buffer);
    ASSERT_EQ(VD_GetDevConfigTCP("NAME", buffer), VD_OK);
    EXPECT_EQ(std::string(buffer), std::string(VD_VALUE_LEN - 1, 'n'));
    for (size_t i = VD_VALUE_LEN; i < sizeof buffer; ++i) ASSERT_EQ(buffer[i], 'x') << i;
}

TEST_F(TcpSession, AReplySplitOverTwoSegmentsIsJudgedByTheFirst) {
    ASSERT_EQ(Login(), VD_OK);
    device.SetSplitReplies(true);
    Read("IP", VD_FAIL);
    // Once the rest of that answer has arrived, the next command's drain
    // drops it, and the write is judged by its own first segment.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    char baud[16] = "4800";
    EXPECT_EQ(VD_ModifyDevConfigTCP("C1_BAUD", baud), VD_FAIL);
}

TEST_F(TcpSession, ResetSendsTheStoredPassword) {
    EXPECT_EQ(VD_ResetDevTCP(), VD_NOT_SENT);  // no connection yet
    ASSERT_EQ(Login(), VD_OK);
    EXPECT_EQ(VD_ResetDevTCP(), VD_OK);
    ASSERT_TRUE(device.WaitForLines(kLoginLines.size() + 1, 500));
    EXPECT_EQ(device.Lines().back(), "AT+RESET=secret");
    // The device restarts and closes the connection; once the close is
    // noticed, nothing more can be sent.
    for (int i = 0; i < 5; ++i) VD_PumpMessages(50);
    Read("IP", VD_NOT_SENT);
}

TEST_F(TcpSession, ClosedPortGives103) {
    EXPECT_EQ(VD_LoginTCP(48, kHost, kPort + 1, kPassword), VD_NO_CONNECTION);
}

TEST_F(TcpSession, SilentDeviceGives104AtLogin) {
    device.SetSilent(true);
    EXPECT_EQ(Login(), VD_TIMEOUT);
    Read("IP", VD_NOT_SENT);  // the session closed the connection
}

TEST_F(TcpSession, SilentDeviceGives104ToAReadAndKeepsTheConnection) {
    ASSERT_EQ(Login(), VD_OK);
    device.SetSilent(true);
    Read("IP", VD_TIMEOUT);
    device.SetSilent(false);
    EXPECT_EQ(Read("C1_BAUD"), "9600");
}

}  // namespace
