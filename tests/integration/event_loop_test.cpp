// The event loop with a trivial exchange over loopback: what it sends, when
// its timer sends again, that it ends at its deadline or at its answer, and
// that an exchange done at its start takes what is queued, once; and many at
// once, each with its own timer and datagrams.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "net/client_socket.h"
#include "net/event_loop.h"
#include "sim_net.h"

namespace {

using namespace std::chrono;
using vd::net::ClientSocket;
using vd::net::Exchange;
using Bytes = std::vector<uint8_t>;

constexpr uint16_t kPeerPort = 8850;
const Bytes kRequest{0x01, 0x02, 0x00, 0xFF};

// A datagram socket on 127.0.0.1:kPeerPort that the test reads.
struct Peer {
    int fd = vdsim::OpenUdp("127.0.0.1", kPeerPort);
    vdsim::Datagram last;
    ~Peer() { close(fd); }
    std::vector<Bytes> Received() {
        std::vector<Bytes> all;
        while (vdsim::ReceiveDatagram(fd, last, 0)) all.push_back(last.bytes);
        return all;
    }
    void Answer(const Bytes &bytes) { vdsim::SendDatagram(fd, bytes, last.from); }
};

// Sends kRequest at its start and again every interval; ends at its
// deadline, or at its first datagram when it waits for one.
struct Pinger : Exchange {
    ClientSocket socket;
    milliseconds interval, deadline;
    bool startsDone = false;
    bool done = false;
    TimePoint next, end;
    std::vector<Bytes> replies;
    std::string from;
    Bytes request = kRequest;

    Pinger(milliseconds every, milliseconds until) : interval(every), deadline(until) {
        socket.Open(vd::net::SocketType::Datagram, "127.0.0.1", kPeerPort);
    }
    std::vector<ClientSocket *> Sockets() override { return {&socket}; }
    void Start(TimePoint now) override {
        socket.SendData(request.data(), int(request.size()));
        next = now + interval;
        end = now + deadline;
        done = startsDone;
    }
    void OnDatagram(size_t, const uint8_t *bytes, int length, const char *sender) override {
        replies.emplace_back(bytes, bytes + length);
        from = sender;
        done = true;
    }
    void OnTimer(TimePoint now) override {
        if (now >= end) {
            done = true;
            return;
        }
        socket.SendData(request.data(), int(request.size()));
        next += interval;
    }
    TimePoint NextDeadline() const override { return std::min(next, end); }
    bool IsDone() const override { return done; }
};

double MsSince(steady_clock::time_point start) {
    return duration<double, std::milli>(steady_clock::now() - start).count();
}

TEST(EventLoop, SendsAgainOnItsTimerAndEndsAtItsDeadline) {
    Peer peer;
    Pinger pinger(milliseconds(50), milliseconds(275));
    vd::net::EventLoop loop;
    const auto start = steady_clock::now();
    loop.RunUntil(pinger);
    const double took = MsSince(start);
    EXPECT_GE(took, 275.0);
    EXPECT_LT(took, 375.0);
    // The request, then one copy at each of 50, 100, ... 250 ms.
    EXPECT_EQ(peer.Received(), std::vector<Bytes>(6, kRequest));
    EXPECT_TRUE(pinger.replies.empty());
}

TEST(EventLoop, EndsAtTheAnswerWithItsBytesAndSender) {
    Peer peer;
    Pinger pinger(milliseconds(400), milliseconds(2000));
    vd::net::EventLoop loop;
    std::thread answer([&] {
        while (peer.Received().empty()) std::this_thread::sleep_for(milliseconds(1));
        peer.Answer({0xA5, 0x00, 0x5A});
    });
    const auto start = steady_clock::now();
    loop.RunUntil(pinger);
    answer.join();
    EXPECT_LT(MsSince(start), 200.0);
    EXPECT_EQ(pinger.replies, std::vector<Bytes>{Bytes({0xA5, 0x00, 0x5A})});
    EXPECT_EQ(pinger.from, "127.0.0.1");
    EXPECT_TRUE(peer.Received().empty());
}

TEST(EventLoop, AnExchangeDoneAtItsStartTakesWhatIsQueuedOnce) {
    Peer peer;
    Pinger pinger(milliseconds(10), milliseconds(10));
    pinger.startsDone = true;
    vd::net::EventLoop loop;
    loop.RunUntil(pinger);
    ASSERT_EQ(peer.Received().size(), 1u);
    peer.Answer({0x01});
    peer.Answer({0x02});
    std::this_thread::sleep_for(milliseconds(20));
    loop.RunUntil(pinger);
    EXPECT_EQ(pinger.replies, (std::vector<Bytes>{{0x01}, {0x02}}));
    EXPECT_EQ(peer.Received(), std::vector<Bytes>{kRequest});
}

TEST(EventLoop, DrivesManyAtOnceAndOneEndingLeavesTheOthersRunning) {
    Peer peer;
    Pinger quiet(milliseconds(50), milliseconds(200)), waiter(milliseconds(1000), milliseconds(2000));
    waiter.request = {0x07};
    vd::net::EventLoop loop;
    loop.Add(quiet);
    loop.Add(waiter);
    const auto start = steady_clock::now();
    std::vector<Exchange *> ended;
    std::vector<Bytes> sent;
    while (loop.Running() > 0) {
        for (Exchange *e : loop.Turn(steady_clock::now() + milliseconds(20))) ended.push_back(e);
        for (const Bytes &got : peer.Received()) sent.push_back(got);
        // The waiter is answered at its own port once the quiet one has ended.
        if (ended.size() == 1 && MsSince(start) >= 300 && waiter.replies.empty()) {
            socklen_t size = sizeof peer.last.from;
            getsockname(int(waiter.socket.GetHandle()), reinterpret_cast<sockaddr *>(&peer.last.from), &size);
            peer.last.from.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            peer.Answer({0xA5});
        }
    }
    EXPECT_EQ(ended, (std::vector<Exchange *>{&quiet, &waiter}));
    EXPECT_GE(MsSince(start), 300.0);
    EXPECT_LT(MsSince(start), 500.0);
    // The quiet one's request and its copies at 50, 100 and 150 ms; the
    // waiter's once; the answer reached only its owner.
    EXPECT_EQ(std::count(sent.begin(), sent.end(), kRequest), 4);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), waiter.request), 1);
    EXPECT_TRUE(quiet.replies.empty());
    EXPECT_EQ(waiter.replies, std::vector<Bytes>{{0xA5}});
}

}  // namespace
