// The data channel at full speed, against plain sockets in the same run:
// rounds alternate between the library and a plain loop over the same
// loopback transfer, so that a machine busy with other work slows both alike.
//   receive: a peer streams N bytes; the library pushes them to a host window
//            in notices of at most 1023 bytes, from VD_PumpMessages; the
//            plain loop reads the same 1023-byte pieces with recv.
//   send:    VD_TCPSend against plain send, 4 KiB a call, until the peer has
//            counted N bytes. The channel's socket never blocks (a full
//            buffer makes VD_TCPSend return 0 and the host try again), so
//            the plain loop sends on a non-blocking socket and tries again
//            the same way.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "sim_net.h"
#include "table.h"
#include "vandrel.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint16_t kPort = 9100;
constexpr const char *kHost = "127.0.0.1";
constexpr int kNoticeBytes = 1023;
constexpr int kSendPiece = 4096;

size_t TransferBytes() { return vdbench::g_quick ? (8u << 20) : (256u << 20); }
int Rounds() { return vdbench::g_quick ? 1 : 5; }

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

int ConnectPlain() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in to = vdsim::MakeAddress(kHost, kPort);
    if (connect(fd, reinterpret_cast<const sockaddr *>(&to), sizeof to) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// The device's side of one transfer, on a thread of its own.
class Peer {
public:
    // streams: after the host's one-byte go, sends bytes; else counts bytes
    // received and notes when the last one came.
    Peer(bool streams, size_t bytes) : m_listener(vdsim::OpenTcpListener(kHost, kPort)) {
        m_thread = std::thread([this, streams, bytes] {
            if (!vdsim::WaitReadable(m_listener, 5000)) return;
            const int fd = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) return;
            std::vector<uint8_t> buffer(65536, 'v');
            if (streams) {
                char go;
                if (recv(fd, &go, 1, 0) == 1)
                    for (size_t sent = 0; sent < bytes;) {
                        const ssize_t n = send(fd, buffer.data(), std::min(buffer.size(), bytes - sent), MSG_NOSIGNAL);
                        if (n <= 0) break;
                        sent += size_t(n);
                    }
            } else {
                size_t got = 0;
                while (got < bytes) {
                    const ssize_t n = recv(fd, buffer.data(), buffer.size(), 0);
                    if (n <= 0) break;
                    got += size_t(n);
                }
                m_done = Clock::now();
            }
            close(fd);
        });
    }
    ~Peer() {
        m_thread.join();
        close(m_listener);
    }
    Clock::time_point Done() {
        m_thread.join();
        m_thread = std::thread([] {});
        return m_done;
    }

private:
    int m_listener;
    std::thread m_thread;
    Clock::time_point m_done{};
};

double PlainReceive(size_t bytes) {
    Peer peer(true, bytes);
    const int fd = ConnectPlain();
    char piece[kNoticeBytes + 1];
    const auto start = Clock::now();
    send(fd, "g", 1, MSG_NOSIGNAL);
    size_t got = 0;
    while (got < bytes) {
        const ssize_t n = recv(fd, piece, kNoticeBytes, 0);
        if (n <= 0) break;
        piece[n] = '\0';
        benchmark::DoNotOptimize(piece);
        got += size_t(n);
    }
    const double seconds = Since(start);
    close(fd);
    return got == bytes ? double(bytes) / seconds : 0;
}

struct Counted {
    VD_HostWindow window{&Counted::Proc, this};
    size_t bytes = 0;
    static intptr_t Proc(VD_HostWindow *w, uint32_t, uintptr_t data, intptr_t count) {
        benchmark::DoNotOptimize(reinterpret_cast<const char *>(data)[count]);
        static_cast<Counted *>(w->user)->bytes += size_t(count);
        return 0;
    }
};

double WindowReceive(size_t bytes) {
    Peer peer(true, bytes);
    Counted counted;
    if (VD_TCPConnect(kHost, kPort) != VD_OK) return 0;
    VD_TCPSetRecHWnd(&counted.window, 0x0400);
    const auto start = Clock::now();
    VD_TCPSend("g", 1);
    for (int idle = 0; counted.bytes < bytes && idle < 100;) idle = VD_PumpMessages(10) > 0 ? 0 : idle + 1;
    const double seconds = Since(start);
    VD_TCPSetRecHWnd(nullptr, 0);
    VD_TCPDisconnect();
    return counted.bytes == bytes ? double(bytes) / seconds : 0;
}

double PlainSend(size_t bytes) {
    Peer peer(false, bytes);
    const int fd = ConnectPlain();
    std::vector<char> piece(kSendPiece, 's');
    const auto start = Clock::now();
    for (size_t sent = 0; sent < bytes;) {
        const ssize_t n = send(fd, piece.data(), piece.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EAGAIN) {
            std::this_thread::yield();
            continue;
        }
        if (n <= 0) break;
        sent += size_t(n);
    }
    const double seconds = std::chrono::duration<double>(peer.Done() - start).count();
    close(fd);
    return double(bytes) / seconds;
}

// VD_TCPSend returns 0 when the socket's buffer is full; the host tries again.
double LibrarySend(size_t bytes) {
    Peer peer(false, bytes);
    if (VD_TCPConnect(kHost, kPort) != VD_OK) return 0;
    std::vector<char> piece(kSendPiece, 's');
    const auto start = Clock::now();
    for (size_t sent = 0; sent < bytes;) {
        const int32_t n = VD_TCPSend(piece.data(), int32_t(piece.size()));
        if (n < 0) break;
        if (n == 0) {
            std::this_thread::yield();
            continue;
        }
        sent += size_t(n);
    }
    const double seconds = std::chrono::duration<double>(peer.Done() - start).count();
    VD_TCPDisconnect();
    return double(bytes) / seconds;
}

// Alternating rounds; each side's rate is its bytes over its total time.
void SideBySide(benchmark::State &state, double (*library)(size_t), double (*plain)(size_t), const char *against) {
    for (auto _ : state) {
        double libraryTime = 0, plainTime = 0, total = 0;
        for (int round = 0; round < Rounds(); ++round) {
            const double bytes = double(TransferBytes());
            const double a = library(TransferBytes()), b = plain(TransferBytes());
            if (a <= 0 || b <= 0) return state.SkipWithError(a <= 0 ? "library: incomplete" : "plain: incomplete");
            libraryTime += bytes / a;
            plainTime += bytes / b;
            total += bytes;
        }
        vdbench::Report(state, total / libraryTime / 1e6, total / plainTime / 1e6, "MB/s", against);
    }
}

void DataChannelToWindow(benchmark::State &state) {
    SideBySide(state, WindowReceive, PlainReceive, "plain recv of 1023-byte pieces");
}
void DataChannelSend(benchmark::State &state) {
    SideBySide(state, LibrarySend, PlainSend, "plain non-blocking send, 4 KiB a call");
}

}  // namespace

BENCHMARK(DataChannelToWindow)->Name("data channel, device to host window")->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(DataChannelSend)->Name("data channel, VD_TCPSend to device")->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
