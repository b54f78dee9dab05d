// The exports' own rules, as a host sees them: family checks before any
// traffic, NULL arguments, and the wait of a request for a type nobody
// serves.
#include <gtest/gtest.h>

#include "integration/support.h"

using vdtest::Clock;
using vdtest::Seconds;

namespace {

// Hears what the library sends to the device ports.
struct Listener {
    int fds[3] = {vdsim::OpenUdp("255.255.255.255", 8800), vdsim::OpenUdp("127.0.0.1", 8800),
                  vdsim::OpenUdp("255.255.255.255", 8801)};
    ~Listener() {
        for (int fd : fds) close(fd);
    }
    bool HeardAnything() {
        vdsim::Datagram d;
        for (int fd : fds)
            if (vdsim::ReceiveDatagram(fd, d, 0)) return true;
        return false;
    }
};

}  // namespace

TEST(Exports, WrongFamilyOrUnknownTypeIsRefusedWithoutTraffic) {
    Listener listener;
    const auto start = Clock::now();
    EXPECT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.1", 48), VD_WRONG_FAMILY);
    EXPECT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.1", 0x130), VD_WRONG_FAMILY);  // only the low byte counts
    EXPECT_EQ(VD_ModifyDevUDPbyIP("127.0.0.1", "", 56), VD_WRONG_FAMILY);
    EXPECT_EQ(VD_GetDevInfoUDPbyMAC("02:00:00:00:00:01", 5), VD_WRONG_FAMILY);
    EXPECT_EQ(VD_ModifyDevUDPbyMAC("02:00:00:00:00:01", "", 0x105), VD_WRONG_FAMILY);
    EXPECT_EQ(VD_LoginTCP(1, "127.0.0.1", 23, ""), VD_WRONG_FAMILY);
    EXPECT_LT(Seconds(start), 0.1);
    // A type nobody serves fails within a request's wait.
    EXPECT_EQ(VD_GetDevInfoUDPbyIP("127.0.0.1", 200), VD_FAIL);
    EXPECT_LT(Seconds(start), 3.5);
    EXPECT_FALSE(listener.HeardAnything());
}

TEST(Exports, NullArgumentsFailWithTheirCodes) {
    EXPECT_EQ(VD_Search(nullptr), VD_OK);
    EXPECT_EQ(VD_GetSearchDev(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), VD_FAIL);
    EXPECT_EQ(VD_GetDevConfigUDP(nullptr, nullptr), VD_FAIL);
    EXPECT_EQ(VD_SetModifyConfigUDP(nullptr, nullptr), VD_OK);
    EXPECT_EQ(VD_SendCmd(5, nullptr, 0, nullptr, nullptr, 1), VD_FAIL);
    EXPECT_EQ(VD_SendCmd(48, nullptr, 0, "RESETDEV", nullptr, 0), VD_FAIL);
    EXPECT_EQ(VD_GetDevConfigTCP(nullptr, nullptr), VD_NOT_SENT);
    EXPECT_EQ(VD_ModifyDevConfigTCP(nullptr, nullptr), VD_NOT_SENT);
    EXPECT_EQ(VD_TCPSend(nullptr, 10), 0);
    EXPECT_EQ(VD_TCPUninit(nullptr), VD_OK);
    EXPECT_EQ(VD_GetAD(nullptr, nullptr, nullptr), VD_NO_CONNECTION);
    EXPECT_EQ(VD_GetIO(nullptr, nullptr, nullptr), VD_NO_CONNECTION);
    EXPECT_EQ(VD_SetIODir(nullptr, 1), VD_NO_CONNECTION);
    EXPECT_EQ(VD_SetIOLevel(nullptr, 1), VD_NO_CONNECTION);
    EXPECT_EQ(VD_GetDevInfoUDPbyIP(nullptr, 5), VD_FAIL);
    EXPECT_EQ(VD_ModifyDevUDPbyIP(nullptr, nullptr, 5), VD_NO_INFO);
    EXPECT_EQ(VD_GetDevInfoUDPbyMAC(nullptr, 48), VD_FAIL);
    EXPECT_EQ(VD_ModifyDevUDPbyMAC(nullptr, nullptr, 32), VD_NO_INFO);
    EXPECT_EQ(VD_LoginTCP(48, nullptr, 0, nullptr), VD_NO_CONNECTION);
    EXPECT_EQ(VD_TCPConnect(nullptr, 0), VD_FAIL);
    EXPECT_EQ(VD_TCPInit(nullptr, 0), nullptr);
}
