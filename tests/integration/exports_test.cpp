// The exports' own rules, as a host sees them: family checks before any
// traffic, NULL arguments, the "PASS" and "VERSION" rules, and the waits of
// a request nobody answers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "sim_net.h"
#include "vandrel.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Hears what the library broadcasts or sends to the family A port.
struct Listener {
    int fd = vdsim::OpenUdp("255.255.255.255", 8800);
    int unicast = vdsim::OpenUdp("127.0.0.1", 8800);
    ~Listener() {
        close(fd);
        close(unicast);
    }
    bool HeardAnything() {
        vdsim::Datagram d;
        return vdsim::ReceiveDatagram(fd, d, 0) || vdsim::ReceiveDatagram(unicast, d, 0);
    }
};

}  // namespace

TEST(Exports, WrongFamilyIsRefusedAtOnceWithoutTraffic) {
    Listener listener;
    const auto start = Clock::now();
    EXPECT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.1", 48), VD_WRONG_FAMILY);
    EXPECT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.1", 0x130), VD_WRONG_FAMILY);  // only the low byte counts
    EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.1", "", 56), VD_WRONG_FAMILY);
    EXPECT_EQ(VD_GetDevInfoUDPbyMAC("02:00:00:00:00:01", 5), VD_WRONG_FAMILY);
    EXPECT_EQ(VD_ModifyDevUDPbyMAC("02:00:00:00:00:01", "", 0x105), VD_WRONG_FAMILY);
    EXPECT_EQ(VD_LoginTCP(1, "127.0.0.1", 23, ""), VD_WRONG_FAMILY);
    EXPECT_LT(SecondsSince(start), 0.1);
    EXPECT_FALSE(listener.HeardAnything());
}

TEST(Exports, PassIsRefusedByNameAndVersionAlwaysAnswers) {
    char value[VD_VALUE_LEN] = "untouched";
    char key[VD_KEY_LEN] = "PASS";
    EXPECT_EQ(VD_GetDevConfigUDP(key, value), VD_FAIL);
    EXPECT_STREQ(value, "untouched");
    std::strcpy(key, "VERSION");
    EXPECT_EQ(VD_GetDevConfigUDP(key, value), VD_OK);
    EXPECT_STREQ(value, "V1.00");
    key[0] = '\0';
    EXPECT_EQ(VD_GetDevConfigUDP(key, value), VD_FAIL);
    EXPECT_STREQ(key, "");
    EXPECT_STREQ(value, "");
}

TEST(Exports, NullArgumentsOfTheQuickCalls) {
    EXPECT_EQ(VD_Search(nullptr), VD_OK);
    EXPECT_EQ(VD_SearchAll(), VD_OK);
    EXPECT_EQ(VD_GetSearchDev(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), VD_FAIL);
    EXPECT_EQ(VD_GetDevConfigUDP(nullptr, nullptr), VD_FAIL);
    EXPECT_EQ(VD_SetModifyConfigUDP(nullptr, nullptr), VD_OK);
    EXPECT_EQ(VD_ResetModifyConfigUDP(), VD_OK);
    EXPECT_EQ(VD_SendCmd(5, nullptr, 0, nullptr, nullptr, 1), VD_FAIL);
    EXPECT_EQ(VD_SendCmd(48, nullptr, 0, "RESETDEV", nullptr, 0), VD_FAIL);
    EXPECT_EQ(VD_GetDevConfigTCP(nullptr, nullptr), VD_NOT_SENT);
    EXPECT_EQ(VD_ModifyDevConfigTCP(nullptr, nullptr), VD_NOT_SENT);
    EXPECT_EQ(VD_ResetDevTCP(), VD_NOT_SENT);
    EXPECT_EQ(VD_TCPSend(nullptr, 10), 0);
    EXPECT_EQ(VD_TCPSetRecHWnd(nullptr, 0), VD_OK);
    EXPECT_EQ(VD_TCPDisconnect(), VD_OK);
    EXPECT_EQ(VD_TCPUninit(nullptr), VD_OK);
    EXPECT_EQ(VD_GetAD(nullptr, nullptr, nullptr), VD_NO_CONNECTION);
    EXPECT_EQ(VD_GetIO(nullptr, nullptr, nullptr), VD_NO_CONNECTION);
    EXPECT_EQ(VD_SetIODir(nullptr, 1), VD_NO_CONNECTION);
    EXPECT_EQ(VD_SetIOLevel(nullptr, 1), VD_NO_CONNECTION);
    EXPECT_GE(VD_PumpMessages(0), 0);
}

TEST(Exports, NullArgumentsOfTheUdpReads) {
    EXPECT_EQ(VD_GetDevInfoUDPbyIP(nullptr, 5), VD_FAIL);
    EXPECT_EQ(VD_ModifyDevUDPbyIP(nullptr, nullptr, 5), VD_NO_INFO);
}

TEST(Exports, NullArgumentsOfTheMacReads) {
    EXPECT_EQ(VD_GetDevInfoUDPbyMAC(nullptr, 48), VD_FAIL);
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(nullptr, nullptr, 32), VD_NO_INFO);
}

TEST(Exports, NullArgumentsOfTheConnects) {
    EXPECT_EQ(VD_LoginTCP(48, nullptr, 0, nullptr), VD_NO_CONNECTION);
    EXPECT_EQ(VD_TCPConnect(nullptr, 0), VD_FAIL);
    EXPECT_EQ(VD_TCPInit(nullptr, 0), nullptr);
}

TEST(Exports, UnknownTypeWaitsTheFullTimeAndSendsNothing) {
    Listener listener;
    const auto start = Clock::now();
    EXPECT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.1", 200), VD_FAIL);
    const double took = SecondsSince(start);
    EXPECT_GT(took, 2.1);
    EXPECT_LT(took, 3.5);
    EXPECT_FALSE(listener.HeardAnything());
}

TEST(Exports, MessagePumpServesOnlyTheLoadingThread) {
    int32_t elsewhere = -1;
    std::thread([&] { elsewhere = VD_PumpMessages(50); }).join();
    EXPECT_EQ(elsewhere, 0);
}
