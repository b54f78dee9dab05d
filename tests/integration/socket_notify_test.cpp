// Notifications through the exports, as a host's message loop sees them:
// pushed stream data on the default channel and the peer's close.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/library.h"
#include "integration/socket_test_peer.h"
#include "vandrel.h"

using vdtest::NowMs;
using vdtest::TcpPeer;

namespace {

constexpr uint16_t kPort = 8801;
constexpr uint32_t kDataMessage = 0x0555;

struct Receiver {
    VD_HostWindow window{&Receiver::Proc, this};
    std::vector<std::string> pieces;
    std::vector<uint32_t> messages;
    bool terminated = true;

    static intptr_t Proc(VD_HostWindow *window, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
        auto *self = static_cast<Receiver *>(window->user);
        const char *bytes = reinterpret_cast<const char *>(wparam);
        self->pieces.emplace_back(bytes, size_t(lparam));
        self->messages.push_back(msg);
        if (bytes[lparam] != '\0') self->terminated = false;
        return 0;
    }
    size_t Total() const {
        size_t total = 0;
        for (const auto &p : pieces) total += p.size();
        return total;
    }
};

TEST(SocketNotify, BurstReachesTheWindowInPiecesOfAtMost1023Bytes) {
    TcpPeer peer(kPort);
    ASSERT_TRUE(peer.Listening());
    ASSERT_EQ(VD_TCPConnect("127.0.0.1", kPort), 1);
    ASSERT_TRUE(peer.Accept());
    Receiver receiver;
    ASSERT_EQ(VD_TCPSetRecHWnd(&receiver.window, kDataMessage), 1);

    std::string burst(3000, '\0');
    for (size_t i = 0; i < burst.size(); ++i) burst[i] = char('a' + i % 26);
    ASSERT_TRUE(peer.Send(burst));
    const int64_t deadline = NowMs() + 2000;
    while (receiver.Total() < burst.size() && NowMs() < deadline) VD_PumpMessages(50);

    std::string joined;
    for (const auto &p : receiver.pieces) {
        EXPECT_LE(p.size(), 1023u);
        joined += p;
    }
    EXPECT_EQ(joined, burst);
    EXPECT_GE(receiver.pieces.size(), 3u);
    EXPECT_TRUE(receiver.terminated);
    for (uint32_t m : receiver.messages) EXPECT_EQ(m, kDataMessage);
    VD_TCPDisconnect();
}

TEST(SocketNotify, PeerCloseClearsConnectedAndNextConnectReconnects) {
    TcpPeer peer(kPort);
    ASSERT_TRUE(peer.Listening());
    ASSERT_EQ(VD_TCPConnect("127.0.0.1", kPort), 1);
    ASSERT_TRUE(peer.Accept());
    ASSERT_EQ(vd::g_manager.m_channel.IsConnected(), 1);

    peer.CloseConnection();
    const int64_t deadline = NowMs() + 1000;
    while (vd::g_manager.m_channel.IsConnected() && NowMs() < deadline) VD_PumpMessages(50);
    EXPECT_EQ(vd::g_manager.m_channel.IsConnected(), 0);
    EXPECT_EQ(vd::g_manager.m_channel.GetHandle(), vd::net::kInvalidSocket);

    ASSERT_EQ(VD_TCPConnect("127.0.0.1", kPort), 1);
    EXPECT_TRUE(peer.Accept());
    EXPECT_EQ(VD_TCPSend("again", 5), 5);
    EXPECT_EQ(peer.Receive(), "again");
    VD_TCPDisconnect();
}

TEST(SocketNotify, PumpWaitsUpToItsTimeOutWhenNothingIsPending) {
    const int64_t start = NowMs();
    EXPECT_EQ(VD_PumpMessages(100), 0);
    const int64_t took = NowMs() - start;
    EXPECT_GE(took, 95);
    EXPECT_LT(took, 300);
    const int64_t again = NowMs();
    EXPECT_EQ(VD_PumpMessages(0), 0);
    EXPECT_LT(NowMs() - again, 20);
}

}  // namespace
