// CClientSocket against real loopback peers: connect waits, timed reads,
// datagram reuse and broadcast, and the OK/ERROR wait.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "integration/socket_test_peer.h"
#include "net/client_socket.h"
#include "sim_net.h"

using vd::net::CClientSocket;
using vdtest::NowMs;
using vdtest::TcpPeer;

namespace {

constexpr uint16_t kPort = 8800;

uint16_t LocalPort(int handle) {
    sockaddr_in a{};
    socklen_t size = sizeof a;
    getsockname(handle, reinterpret_cast<sockaddr *>(&a), &size);
    return ntohs(a.sin_port);
}

TEST(ClientSocketConnect, ClosedPortFailsAfterAboutThreeSeconds) {
    CClientSocket socket;
    const int64_t start = NowMs();
    EXPECT_EQ(socket.Open(0, "127.0.0.1", kPort), 0);
    const int64_t took = NowMs() - start;
    EXPECT_GE(took, 2900);
    EXPECT_LT(took, 4500);
    EXPECT_EQ(socket.IsConnected(), 0);
    EXPECT_EQ(socket.GetHandle(), vd::net::kInvalidSocket);
}

TEST(ClientSocketConnect, OpenOnConnectedObjectKeepsTheConnection) {
    TcpPeer peer(kPort);
    ASSERT_TRUE(peer.Listening());
    CClientSocket socket;
    const int64_t start = NowMs();
    ASSERT_EQ(socket.Open(0, "127.0.0.1", kPort), 1);
    EXPECT_LT(NowMs() - start, 500);
    ASSERT_TRUE(peer.Accept());
    const int handle = socket.GetHandle();

    EXPECT_EQ(socket.Open(0, "127.0.0.2", 9999), 1);
    EXPECT_EQ(socket.GetHandle(), handle);
    EXPECT_EQ(socket.GetHost(), "127.0.0.1");
    EXPECT_EQ(socket.GetPort(), kPort);
    EXPECT_EQ(socket.SendData("ping", 4), 4);
    EXPECT_EQ(peer.Receive(), "ping");
}

class ConnectedClient : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_peer.Listening());
        ASSERT_EQ(m_socket.Open(0, "127.0.0.1", kPort), 1);
        ASSERT_TRUE(m_peer.Accept());
    }
    TcpPeer m_peer{kPort};
    CClientSocket m_socket;
};

TEST_F(ConnectedClient, ReceiveTimedWithZeroTimeOutReturnsAtOnce) {
    char buffer[64];
    int length = sizeof buffer;
    const int64_t start = NowMs();
    EXPECT_EQ(m_socket.ReceiveTimed(buffer, length, nullptr, 0), 0);
    EXPECT_EQ(length, 0);
    EXPECT_LT(NowMs() - start, 5);
}

TEST_F(ConnectedClient, ReceiveTimedReturnsWhenDataArrives) {
    std::thread late([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        m_peer.Send("hello");
    });
    char buffer[64];
    int length = sizeof buffer;
    const int64_t start = NowMs();
    const int got = m_socket.ReceiveTimed(buffer, length, nullptr, 2000);
    const int64_t took = NowMs() - start;
    late.join();
    ASSERT_EQ(got, 5);
    EXPECT_EQ(length, 5);
    EXPECT_EQ(std::string(buffer, 5), "hello");
    EXPECT_GE(took, 290);
    EXPECT_LT(took, 700);
}

TEST_F(ConnectedClient, WaitForOkTellsOkErrorAndTimeOut) {
    m_peer.Send("AT+X=1\r\nOK\r\n");
    EXPECT_EQ(m_socket.WaitForOk(500), 1);
    m_peer.Send("ERROR\r\n");
    EXPECT_EQ(m_socket.WaitForOk(500), 2);
    m_peer.Send("ERROR\r\nOK\r\n");
    EXPECT_EQ(m_socket.WaitForOk(500), 1);
    const int64_t start = NowMs();
    EXPECT_EQ(m_socket.WaitForOk(200), 0);
    EXPECT_GE(NowMs() - start, 190);
}

TEST_F(ConnectedClient, SendThatWouldBlockReturnsZeroAndKeepsTheConnection) {
    // The peer reads nothing, so the buffers fill up.
    std::vector<char> chunk(65536, 'x');
    int result = 1;
    for (int i = 0; i < 2000 && result > 0; ++i) result = m_socket.SendData(chunk.data(), int(chunk.size()));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(m_socket.IsConnected(), 1);
    EXPECT_NE(m_socket.GetHandle(), vd::net::kInvalidSocket);
    EXPECT_EQ(m_socket.SendData("", 0), 0);
}

TEST_F(ConnectedClient, StreamSendErrorDisconnects) {
    m_peer.CloseConnection();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // The first send after the peer's close may still be accepted; a reset follows.
    int result = 0;
    for (int i = 0; i < 20 && result >= 0; ++i) {
        result = m_socket.SendData("data", 4);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(result, -1);
    EXPECT_EQ(m_socket.IsConnected(), 0);
    EXPECT_EQ(m_socket.GetHandle(), vd::net::kInvalidSocket);
}

TEST(ClientSocketDatagram, OpenTwiceKeepsHandleAndLocalPort) {
    CClientSocket socket;
    ASSERT_EQ(socket.Open(1, "127.0.0.1", kPort), 1);
    const int handle = socket.GetHandle();
    const uint16_t port = LocalPort(handle);
    ASSERT_EQ(socket.Open(1, "127.0.0.2", kPort + 1), 1);
    EXPECT_EQ(socket.GetHandle(), handle);
    EXPECT_EQ(LocalPort(socket.GetHandle()), port);
    EXPECT_EQ(socket.GetHost(), "127.0.0.2");
}

TEST(ClientSocketDatagram, EmptyHostSendsToBroadcast) {
    const int listener = vdsim::OpenUdp("255.255.255.255", kPort);
    ASSERT_GE(listener, 0);
    CClientSocket socket;
    ASSERT_EQ(socket.Open(1, "", kPort), 1);
    EXPECT_EQ(socket.SendData("hi", 2), 2);
    vdsim::Datagram datagram;
    ASSERT_TRUE(vdsim::ReceiveDatagram(listener, datagram, 1000));
    EXPECT_EQ(std::string(datagram.bytes.begin(), datagram.bytes.end()), "hi");
    close(listener);
}

TEST(ClientSocketDatagram, ReceiveTimedNamesTheSender) {
    const int device = vdsim::OpenUdp("127.0.0.5", kPort);
    ASSERT_GE(device, 0);
    CClientSocket socket;
    ASSERT_EQ(socket.Open(1, "127.0.0.5", kPort), 1);
    ASSERT_EQ(socket.SendData("q", 1), 1);
    vdsim::Datagram request;
    ASSERT_TRUE(vdsim::ReceiveDatagram(device, request, 1000));
    ASSERT_TRUE(vdsim::SendDatagram(device, reinterpret_cast<const uint8_t *>("answer"), 6, request.from));
    char buffer[64];
    char from[16] = "x";
    int length = sizeof buffer;
    EXPECT_EQ(socket.ReceiveTimed(buffer, length, from, 500), 6);
    EXPECT_STREQ(from, "127.0.0.5");
    close(device);
}

}  // namespace
