// The data channels through the exports against real loopback peers, as a
// host's message loop sees them: connect waits, sends that block or fail,
// pushed reads.
#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <thread>
#include <vector>

#include "api/library.h"
#include "integration/support.h"
#include "net/client_socket.h"
#include "net/posix/host_window.h"

using vd::net::ClientSocket;
using vd::net::SocketType;
using vdtest::Clock;
using vdtest::Seconds;
using vdtest::TcpPeer;

namespace {

constexpr uint16_t kPort = 8800;

// The socket layer calls the host's window through its own copy of the
// public record, so the two are laid out alike.
static_assert(sizeof(VD_HostWindow) == sizeof(vd::net::HostWindow) &&
                  offsetof(VD_HostWindow, proc) == offsetof(vd::net::HostWindow, proc) &&
                  offsetof(VD_HostWindow, user) == offsetof(vd::net::HostWindow, user),
              "VD_HostWindow and the socket layer's host window differ");

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
    std::string Joined() const {
        std::string all;
        for (const auto &p : pieces) all += p;
        return all;
    }
};

// A connect is pumped whatever slot its socket has: more than one map's
// worth of other sockets (channels, sessions) is open. Every door connects
// through the one resolver, so a name works as an address.
TEST(DataChannel, ConnectsByNameSendsPushesBurstsInPiecesBlocksAndNoticesThePeersClose) {
    TcpPeer peer(kPort);
    ASSERT_TRUE(peer.Listening());
    std::vector<std::unique_ptr<ClientSocket>> others(600);
    for (auto &other : others) {
        other = std::make_unique<ClientSocket>();
        ASSERT_TRUE(other->Open(SocketType::Datagram, "", kPort + 1));
    }
    EXPECT_LT(vdtest::Took([] { EXPECT_EQ(VD_TCPConnect("localhost", kPort), VD_OK); }), 1.0);
    ASSERT_TRUE(peer.Accept());
    // A connect on a connected channel keeps its connection.
    EXPECT_EQ(VD_TCPConnect("127.0.0.2", 9999), VD_OK);
    EXPECT_EQ(VD_TCPSend("hello", 5), 5);
    EXPECT_EQ(VD_TCPSend("hello", 0), 0);
    EXPECT_EQ(peer.Receive(), "hello");

    Receiver receiver;
    ASSERT_EQ(VD_TCPSetRecHWnd(&receiver.window, 0x0555), VD_OK);
    std::string burst(3000, '\0');
    for (size_t i = 0; i < burst.size(); ++i) burst[i] = char('a' + i % 26);
    ASSERT_TRUE(peer.Send(burst));
    const auto sent = Clock::now();
    while (receiver.Joined().size() < burst.size() && Seconds(sent) < 2.0) VD_PumpMessages(50);
    EXPECT_EQ(receiver.Joined(), burst);
    EXPECT_GE(receiver.pieces.size(), 3u);
    for (const auto &p : receiver.pieces) EXPECT_LE(p.size(), 1023u);
    EXPECT_TRUE(receiver.terminated);
    EXPECT_EQ(receiver.messages, std::vector<uint32_t>(receiver.pieces.size(), 0x0555));
    EXPECT_EQ(VD_TCPSetRecHWnd(nullptr, 0), VD_OK);

    // The peer reads nothing, so the buffers fill up: a send would block, and
    // the channel stays connected.
    const std::vector<char> chunk(65536, 'x');
    int result = 1;
    for (int i = 0; i < 2000 && result > 0; ++i) result = VD_TCPSend(chunk.data(), int(chunk.size()));
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(vd::DefaultContext().Channel().IsConnected());

    // The peer's close is noticed; the next connect makes a new connection.
    peer.CloseConnection();
    for (int i = 0; i < 20 && vd::DefaultContext().Channel().IsConnected(); ++i) VD_PumpMessages(50);
    EXPECT_FALSE(vd::DefaultContext().Channel().IsConnected());
    EXPECT_EQ(VD_TCPSend("lost", 4), -1);
    ASSERT_EQ(VD_TCPConnect("127.0.0.1", kPort), VD_OK);
    EXPECT_TRUE(peer.Accept());
    EXPECT_EQ(VD_TCPSend("again", 5), 5);
    EXPECT_EQ(peer.Receive(), "again");
    EXPECT_EQ(VD_TCPDisconnect(), VD_OK);
    EXPECT_EQ(VD_TCPSend("gone", 4), -1);
}

// A device that talks as soon as the host connects: the host pumps before it
// sets a receiver (the read is announced to nobody), yet everything reaches
// the receiver once it is set, in order.
TEST(DataChannel, DataSentBeforeTheReceiverIsSetReachesItInOrder) {
    std::string stream(1 << 20, '\0');
    for (size_t i = 0; i < stream.size(); ++i) stream[i] = char(i * 7 / 3);
    TcpPeer device(kPort);
    ASSERT_TRUE(device.Listening());
    std::thread talker([&] {
        if (device.Accept(3000)) device.Send(stream);
    });
    ASSERT_EQ(VD_TCPConnect("127.0.0.1", kPort), VD_OK);
    for (int i = 0; i < 5; ++i) VD_PumpMessages(20);
    Receiver receiver;
    VD_TCPSetRecHWnd(&receiver.window, 0x0556);
    const auto start = Clock::now();
    while (receiver.Joined().size() < stream.size() && Seconds(start) < 10.0) VD_PumpMessages(50);
    talker.join();
    EXPECT_TRUE(receiver.Joined() == stream) << receiver.Joined().size() << " bytes";
    VD_TCPSetRecHWnd(nullptr, 0);
    VD_TCPDisconnect();
}

}  // namespace
