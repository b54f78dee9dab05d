// AsyncSocket and the socket context on real loopback sockets: the dispatch
// filters, connect ends, closing during unload.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

#include "integration/support.h"
#include "net/message_loop.h"
#include "net/socket_context_internal.h"

using namespace vd::net;
using vdtest::Clock;
using vdtest::Seconds;
using vdtest::Took;

namespace {

constexpr uint16_t kPort = 8800;

class CountingSocket : public AsyncSocket {
public:
    void OnReceive(int32_t error) override { receives.push_back(error); }
    void OnConnect(int32_t error) override { connects.push_back(error); }
    void OnClose(int32_t error) override { closes.push_back(error); }
    // Pumps until the socket has heard how its connect went, or for a second.
    void PumpUntilConnectKnown() {
        const auto start = Clock::now();
        while (connects.empty() && Seconds(start) < 1.0) PumpMessages(20);
    }
    std::vector<int32_t> receives, connects, closes;
};

void SendDatagramTo(uint16_t port, const char *text) {
    const int sender = vdsim::OpenUdp("127.0.0.9", 0);
    vdsim::SendDatagram(sender, reinterpret_cast<const uint8_t *>(text), strlen(text),
                        vdsim::MakeAddress("127.0.0.1", port));
    close(sender);
}

TEST(AsyncSocketDispatch, StaleAndEmptyReadNoticesAreDropped) {
    CountingSocket current, other;
    ASSERT_TRUE(current.Create(kPort, SocketType::Datagram, 0, "127.0.0.1"));
    ASSERT_TRUE(other.Create(0, SocketType::Datagram, 0, nullptr));
    SocketContext *context = AcquireContext();
    const auto notify = [&](SocketHandle handle, int32_t error) {
        context->Dispatch(SOCKET_MSG_BASE + uint32_t(current.GetSlot()), uintptr_t(handle),
                          intptr_t(error << 16 | kEventRead));
    };
    // With nothing pending only an error reaches the handler.
    notify(current.GetHandle(), 0);
    notify(current.GetHandle(), 104);
    EXPECT_EQ(current.receives, std::vector<int32_t>{104});
    SendDatagramTo(kPort, "data");
    ASSERT_TRUE(vdsim::WaitReadable(int(current.GetHandle()), 1000));
    // Left over from the socket that held the slot before.
    notify(other.GetHandle(), 0);
    notify(kInvalidSocket, 0);
    EXPECT_EQ(current.receives.size(), 1u);
    notify(current.GetHandle(), 0);
    EXPECT_EQ(current.receives, (std::vector<int32_t>{104, 0}));
    ReleaseContext(context);
}

TEST(AsyncSocketDispatch, AReadIsAnnouncedOnceAndOnlyOnTheLoadingThread) {
    CountingSocket socket;
    ASSERT_TRUE(socket.Create(kPort, SocketType::Datagram, kEventRead, "127.0.0.1"));
    // With nothing pending the pump ends after its time-out, or at once.
    EXPECT_LT(Took([] { EXPECT_EQ(VD_PumpMessages(100), 0); }), 0.3);
    EXPECT_LT(Took([] { EXPECT_EQ(VD_PumpMessages(0), 0); }), 0.02);

    SendDatagramTo(kPort, "one");
    ASSERT_TRUE(vdsim::WaitReadable(int(socket.GetHandle()), 1000));
    int32_t elsewhere = -1;
    std::thread([&] {
        elsewhere = VD_PumpMessages(50);
        PumpSocketNotifications();
    }).join();
    EXPECT_EQ(elsewhere, 0);
    EXPECT_TRUE(socket.receives.empty());
    EXPECT_EQ(VD_PumpMessages(100), 1);
    EXPECT_EQ(VD_PumpMessages(0), 0);  // not again until the data is read
    EXPECT_EQ(socket.receives.size(), 1u);
}

TEST(AsyncSocketConnect, FailedConnectsAreAnnouncedOnceWithTheirError) {
    CountingSocket refused, unknown, broadcast;
    for (CountingSocket *s : {&refused, &unknown, &broadcast})
        ASSERT_TRUE(s->Create(0, SocketType::Stream, kEventRead | kEventConnect | kEventClose, nullptr));
    EXPECT_FALSE(refused.Connect("127.0.0.1", kPort));
    refused.PumpUntilConnectKnown();
    EXPECT_EQ(refused.connects, std::vector<int32_t>{ECONNREFUSED});
    EXPECT_EQ(PumpMessages(50), 0);
    EXPECT_TRUE(refused.closes.empty());

    EXPECT_TRUE(unknown.Connect("no-such-host.invalid", kPort));
    unknown.PumpUntilConnectKnown();
    ASSERT_EQ(unknown.connects.size(), 1u);
    EXPECT_NE(unknown.connects[0], 0);

    // The broadcast address counts as a name; closing cancels its lookup.
    EXPECT_TRUE(broadcast.Connect("255.255.255.255", kPort));
    broadcast.Close();
    EXPECT_EQ(PumpMessages(0), 0);
    EXPECT_TRUE(broadcast.connects.empty());
}

TEST(Unload, CloseLeavesTheHandleToCleanup) {
    AsyncSocket socket;
    ASSERT_TRUE(socket.Create(0, SocketType::Datagram, kEventRead, nullptr));
    const int handle = int(socket.GetHandle());
    g_unloading = 1;
    socket.Close();
    g_unloading = 0;
    EXPECT_EQ(socket.GetSlot(), -1);
    EXPECT_EQ(socket.GetHandle(), kInvalidSocket);
    EXPECT_NE(fcntl(handle, F_GETFD), -1);
    StopSockets();
    EXPECT_EQ(fcntl(handle, F_GETFD), -1);
}

}  // namespace
