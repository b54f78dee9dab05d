// CAsyncSocketEx and the socket context on real loopback sockets: creation
// and binding errors, the dispatch filters, host-name lookups, the slot map
// and closing during unload.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <thread>

#include "integration/socket_test_peer.h"
#include "net/socket_context_internal.h"
#include "sim_net.h"

using namespace vd::net;
using vdtest::NowMs;

namespace {

constexpr uint16_t kPort = 8800;

class CountingSocket : public CAsyncSocketEx {
public:
    void OnReceive(int32_t error) override { receives.push_back(error); }
    void OnConnect(int32_t error) override { connects.push_back(error); }
    void OnClose(int32_t error) override { closes.push_back(error); }
    std::vector<int32_t> receives, connects, closes;
};

// The library's context, as the owner thread's dispatch sees it.
class ContextRef {
public:
    ContextRef() : m_context(AcquireContext()) {}
    ~ContextRef() { ReleaseContext(m_context); }
    CSocketContext *operator->() { return m_context; }

private:
    CSocketContext *m_context;
};

bool HandleOpen(int handle) { return fcntl(handle, F_GETFD) != -1; }

void SendDatagramTo(uint16_t port, const char *text) {
    const int sender = vdsim::OpenUdp("127.0.0.9", 0);
    vdsim::SendDatagram(sender, reinterpret_cast<const uint8_t *>(text), strlen(text),
                        vdsim::MakeAddress("127.0.0.1", port));
    close(sender);
}

TEST(AsyncSocketCreate, SecondCreateFailsWithAlreadyHasHandle) {
    CAsyncSocketEx socket;
    ASSERT_TRUE(socket.Create(0, SOCKET_DGRAM, 0, nullptr));
    const int handle = socket.GetHandle();
    EXPECT_FALSE(socket.Create(0, SOCKET_DGRAM, 0, nullptr));
    EXPECT_EQ(LastError(), kErrAlreadyHasHandle);
    EXPECT_EQ(socket.GetHandle(), handle);
}

TEST(AsyncSocketCreate, AddressThatIsNotDottedFailsWithInvalidArgumentAndCloses) {
    for (const char *address : {"localhost", "255.255.255.255"}) {
        CAsyncSocketEx socket;
        EXPECT_FALSE(socket.Create(0, SOCKET_DGRAM, FD_READ, address)) << address;
        EXPECT_EQ(LastError(), kErrInvalidArgument) << address;
        EXPECT_EQ(socket.GetHandle(), kInvalidSocket);
        EXPECT_EQ(socket.GetSlot(), -1);
    }
    CAsyncSocketEx bound;
    ASSERT_TRUE(bound.Create(0, SOCKET_DGRAM, 0, "127.0.0.1"));
    EXPECT_FALSE(bound.Bind(0, "abc"));
    EXPECT_EQ(LastError(), kErrInvalidArgument);
}

TEST(AsyncSocketDispatch, StaleNotificationForAnotherHandleIsDropped) {
    CountingSocket current, other;
    ASSERT_TRUE(current.Create(kPort, SOCKET_DGRAM, 0, "127.0.0.1"));
    ASSERT_TRUE(other.Create(0, SOCKET_DGRAM, 0, nullptr));
    SendDatagramTo(kPort, "data");
    ASSERT_TRUE(vdsim::WaitReadable(current.GetHandle(), 1000));
    ContextRef context;
    const uint32_t message = SOCKET_MSG_BASE + uint32_t(current.GetSlot());
    // Left over from the socket that held the slot before.
    context->Post({message, uintptr_t(other.GetHandle()), NoticeParam(FD_READ, 0)});
    context->Post({message, uintptr_t(intptr_t(kInvalidSocket)), NoticeParam(FD_READ, 0)});
    EXPECT_EQ(PumpMessages(0), 2);
    EXPECT_TRUE(current.receives.empty());

    context->Post({message, uintptr_t(current.GetHandle()), NoticeParam(FD_READ, 0)});
    EXPECT_EQ(PumpMessages(0), 1);
    EXPECT_EQ(current.receives, std::vector<int32_t>{0});
}

TEST(AsyncSocketDispatch, ReadNoticeWithNothingPendingIsDropped) {
    CountingSocket socket;
    ASSERT_TRUE(socket.Create(0, SOCKET_DGRAM, 0, nullptr));
    ContextRef context;
    const uint32_t message = SOCKET_MSG_BASE + uint32_t(socket.GetSlot());
    context->Post({message, uintptr_t(socket.GetHandle()), NoticeParam(FD_READ, 0)});
    EXPECT_EQ(PumpMessages(0), 1);
    EXPECT_TRUE(socket.receives.empty());
    // With an error the handler hears of it even with nothing pending.
    context->Post({message, uintptr_t(socket.GetHandle()), NoticeParam(FD_READ, 104)});
    EXPECT_EQ(PumpMessages(0), 1);
    EXPECT_EQ(socket.receives, std::vector<int32_t>{104});
}

TEST(AsyncSocketDispatch, ReadIsAnnouncedOnceUntilTheDataIsRead) {
    CountingSocket socket;
    ASSERT_TRUE(socket.Create(kPort, SOCKET_DGRAM, FD_READ, "127.0.0.1"));
    SendDatagramTo(kPort, "one");
    ASSERT_TRUE(vdsim::WaitReadable(socket.GetHandle(), 1000));
    EXPECT_EQ(PumpMessages(100), 1);
    EXPECT_EQ(PumpMessages(0), 0);
    char buffer[16];
    EXPECT_EQ(socket.Receive(buffer, sizeof buffer), 3);
    SendDatagramTo(kPort, "two");
    ASSERT_TRUE(vdsim::WaitReadable(socket.GetHandle(), 1000));
    EXPECT_EQ(PumpMessages(100), 1);
    EXPECT_EQ(socket.receives.size(), 2u);
}

TEST(AsyncSocketDispatch, PumpOnAnotherThreadDispatchesNothing) {
    CountingSocket socket;
    ASSERT_TRUE(socket.Create(kPort, SOCKET_DGRAM, FD_READ, "127.0.0.1"));
    SendDatagramTo(kPort, "data");
    ASSERT_TRUE(vdsim::WaitReadable(socket.GetHandle(), 1000));
    int32_t elsewhere = -1;
    std::thread([&] {
        elsewhere = PumpMessages(50);
        PumpSocketNotifications();
    }).join();
    EXPECT_EQ(elsewhere, 0);
    EXPECT_TRUE(socket.receives.empty());
    EXPECT_EQ(PumpMessages(0), 1);
    EXPECT_EQ(socket.receives.size(), 1u);
}

TEST(AsyncSocketConnect, RefusedConnectIsAnnouncedOnceWithItsError) {
    CountingSocket socket;
    ASSERT_TRUE(socket.Create(0, SOCKET_STREAM, FD_READ | FD_CONNECT | FD_CLOSE, nullptr));
    EXPECT_FALSE(socket.Connect("127.0.0.1", kPort));
    EXPECT_EQ(LastError(), kErrWouldBlock);
    const int64_t deadline = NowMs() + 1000;
    while (socket.connects.empty() && NowMs() < deadline) PumpMessages(20);
    EXPECT_EQ(socket.connects, std::vector<int32_t>{ECONNREFUSED});
    EXPECT_EQ(PumpMessages(50), 0);
    EXPECT_TRUE(socket.closes.empty());
}

TEST(AsyncSocketConnect, HostNameLookupCompletesOnlyInTheHostsLoop) {
    vdtest::TcpPeer peer(kPort);
    ASSERT_TRUE(peer.Listening());
    CountingSocket socket;
    ASSERT_TRUE(socket.Create(0, SOCKET_STREAM, FD_READ | FD_CONNECT | FD_CLOSE, nullptr));
    EXPECT_TRUE(socket.Connect("localhost", kPort));
    EXPECT_EQ(LastError(), kErrWouldBlock);
    for (int i = 0; i < 5; ++i) PumpSocketNotifications();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(socket.connects.empty());
    EXPECT_FALSE(peer.Accept(50));

    const int64_t deadline = NowMs() + 1000;
    while (socket.connects.empty() && NowMs() < deadline) PumpMessages(20);
    EXPECT_EQ(socket.connects, std::vector<int32_t>{0});
    EXPECT_TRUE(peer.Accept());
}

TEST(AsyncSocketConnect, UnknownHostNameReportsTheLookupFailure) {
    CountingSocket socket;
    ASSERT_TRUE(socket.Create(0, SOCKET_STREAM, FD_CONNECT, nullptr));
    EXPECT_TRUE(socket.Connect("no-such-host.invalid", kPort));
    const int64_t deadline = NowMs() + 2000;
    while (socket.connects.empty() && NowMs() < deadline) PumpMessages(20);
    ASSERT_EQ(socket.connects.size(), 1u);
    EXPECT_NE(socket.connects[0], 0);
}

TEST(AsyncSocketConnect, BroadcastTextCountsAsANameAndCloseCancelsTheLookup) {
    CountingSocket socket;
    ASSERT_TRUE(socket.Create(0, SOCKET_STREAM, FD_CONNECT, nullptr));
    EXPECT_TRUE(socket.Connect("255.255.255.255", kPort));
    EXPECT_EQ(LastError(), kErrWouldBlock);
    socket.Close();
    EXPECT_EQ(PumpMessages(0), 1);
    EXPECT_TRUE(socket.connects.empty());
}

TEST(AsyncSocketSendTo, NullHostIsBroadcastAndUnknownNameIsInvalid) {
    const int listener = vdsim::OpenUdp("255.255.255.255", kPort);
    ASSERT_GE(listener, 0);
    CAsyncSocketEx socket;
    ASSERT_TRUE(socket.Create(0, SOCKET_DGRAM, 0, nullptr));
    ASSERT_TRUE(socket.SetBroadcast(true));
    EXPECT_EQ(socket.SendTo("b", 1, kPort, nullptr), 1);
    vdsim::Datagram datagram;
    EXPECT_TRUE(vdsim::ReceiveDatagram(listener, datagram, 1000));
    EXPECT_EQ(socket.SendTo("b", 1, kPort, "255.255.255.255"), 1);
    EXPECT_TRUE(vdsim::ReceiveDatagram(listener, datagram, 1000));
    EXPECT_EQ(socket.SendTo("b", 1, kPort, "no-such-host.invalid"), -1);
    EXPECT_EQ(LastError(), kErrInvalidArgument);
    close(listener);
}

TEST(SlotMap, GrowsBy512WhenTenSlotsAreLeftAndNeverPast48126) {
    CSlotMap map;
    CAsyncSocketEx socket;
    for (int i = 0; i < 502; ++i) ASSERT_EQ(map.Add(&socket, false), i);
    EXPECT_EQ(map.Capacity(), 512);
    EXPECT_EQ(map.Add(&socket, false), 502);
    EXPECT_EQ(map.Capacity(), 1024);
    EXPECT_EQ(map.Count(), 503);

    while (map.Count() < CSlotMap::kMaxCapacity) ASSERT_GE(map.Add(&socket, false), 0);
    EXPECT_EQ(map.Capacity(), 48126);
    EXPECT_EQ(map.Add(&socket, false), -1);
}

TEST(SlotMap, FreeSlotsAreFoundFromTheHint) {
    CSlotMap map;
    CAsyncSocketEx socket;
    for (int i = 0; i < 5; ++i) map.Add(&socket, false);
    map.Remove(1);
    EXPECT_EQ(map.Add(&socket, false), 5);
    EXPECT_EQ(map.At(1), nullptr);
    EXPECT_EQ(map.At(512), nullptr);
    EXPECT_EQ(map.At(-1), nullptr);
}

TEST(SlotMap, ContextGrowsAfter503Registrations) {
    std::vector<std::unique_ptr<CAsyncSocketEx>> sockets;
    ContextRef context;
    // The anchor and other sockets of the library may hold slots already.
    while (context->SlotCapacity() == 512 && sockets.size() < 512) {
        sockets.push_back(std::make_unique<CAsyncSocketEx>());
        ASSERT_TRUE(sockets.back()->Create(0, SOCKET_DGRAM, 0, nullptr));
    }
    EXPECT_EQ(context->SlotCapacity(), 1024);
    EXPECT_LE(sockets.size(), 503u);
}

TEST(Unload, CloseLeavesTheHandleToCleanup) {
    CAsyncSocketEx socket;
    ASSERT_TRUE(socket.Create(0, SOCKET_DGRAM, FD_READ, nullptr));
    const int handle = socket.GetHandle();
    g_unloading = 1;
    socket.Close();
    g_unloading = 0;
    EXPECT_EQ(socket.GetSlot(), -1);
    EXPECT_EQ(socket.GetHandle(), kInvalidSocket);
    EXPECT_TRUE(HandleOpen(handle));
    Cleanup();
    EXPECT_FALSE(HandleOpen(handle));
}

}  // namespace
