// POSIX sockets behind the platform contract.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <mutex>
#include <vector>

#include "net/platform.h"
#include "net/posix/errors.h"
#include "net/sockaddr.h"

namespace vd::net {

namespace {

// What closing a stream reads and drops at most.
constexpr int kDiscardBytes = 4096;
constexpr int kDiscardReads = 64;

// Handles closed during unload; constant-initialised and freed by
// StopSockets, so that nothing of it depends on the order in which the
// library's static objects are destroyed. The process's, as the platform's
// socket start and stop are: the library loads and unloads once for all its
// contexts.
std::mutex g_leftLock;
std::vector<SocketHandle> *g_leftHandles = nullptr;
bool g_stopped = false;

}  // namespace

ThreadId CurrentThread() { return ThreadId(syscall(SYS_gettid)); }

// POSIX sockets need no start-up.
bool StartSockets() {
    std::lock_guard<std::mutex> guard(g_leftLock);
    g_stopped = false;
    return true;
}

void StopSockets() {
    std::lock_guard<std::mutex> guard(g_leftLock);
    g_stopped = true;
    if (!g_leftHandles) return;
    for (SocketHandle handle : *g_leftHandles) CloseSocket(handle);
    delete g_leftHandles;
    g_leftHandles = nullptr;
}

void LeaveToCleanup(SocketHandle handle) {
    std::lock_guard<std::mutex> guard(g_leftLock);
    if (g_stopped) return CloseSocket(handle);
    if (!g_leftHandles) g_leftHandles = new std::vector<SocketHandle>;
    g_leftHandles->push_back(handle);
}

SocketHandle OpenSocket(bool stream) {
    const int handle = socket(AF_INET, (stream ? SOCK_STREAM : SOCK_DGRAM) | SOCK_CLOEXEC, 0);
    if (handle < 0) return Fail();
    const int on = 1;
    if (stream) setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return handle;
}

void CloseSocket(SocketHandle handle) {
    if (handle < 0) return;
    int type = 0;
    socklen_t size = sizeof type;
    if (getsockopt(int(handle), SOL_SOCKET, SO_TYPE, &type, &size) == 0 && type == SOCK_STREAM) {
        shutdown(int(handle), SHUT_WR);
        char discard[kDiscardBytes];
        for (int i = 0; i < kDiscardReads && recv(int(handle), discard, sizeof discard, MSG_DONTWAIT) > 0; ++i) {
        }
    }
    close(int(handle));
}

bool BindSocket(SocketHandle handle, const Endpoint &local) {
    const sockaddr_in a = Raw(local);
    if (bind(int(handle), Generic(a), sizeof a) != 0) return Fail(), false;
    return true;
}

bool ConnectSocket(SocketHandle handle, const Endpoint &remote) {
    const sockaddr_in a = Raw(remote);
    int r;
    do {
        r = connect(int(handle), Generic(a), sizeof a);
    } while (r < 0 && errno == EINTR);
    if (r != 0) return Fail(), false;
    return true;
}

int SendBytes(SocketHandle handle, const void *buffer, int length) {
    if (length < 0) return SetLastError(kErrInvalidArgument), -1;
    ssize_t n;
    do {
        n = send(int(handle), buffer, size_t(length), MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? Fail() : int(n);
}

int SendBytesTo(SocketHandle handle, const void *buffer, int length, const Endpoint &to) {
    if (length < 0) return SetLastError(kErrInvalidArgument), -1;
    const sockaddr_in a = Raw(to);
    ssize_t n;
    do {
        n = sendto(int(handle), buffer, size_t(length), MSG_NOSIGNAL, Generic(a), sizeof a);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? Fail() : int(n);
}

int ReceiveBytes(SocketHandle handle, void *buffer, int length) {
    if (length < 0) return SetLastError(kErrInvalidArgument), -1;
    ssize_t n;
    do {
        n = recv(int(handle), buffer, size_t(length), 0);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? Fail() : int(n);
}

int ReceiveBytesFrom(SocketHandle handle, void *buffer, int length, Endpoint &from) {
    if (length < 0) return SetLastError(kErrInvalidArgument), -1;
    sockaddr_in a{};
    socklen_t size = sizeof a;
    ssize_t n;
    do {
        n = recvfrom(int(handle), buffer, size_t(length), 0, reinterpret_cast<sockaddr *>(&a), &size);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return Fail();
    from = EndpointOf(a);
    return int(n);
}

bool QueryPending(SocketHandle handle, uint32_t &count) {
    int pending = 0;
    if (ioctl(int(handle), FIONREAD, &pending) != 0) return Fail(), false;
    count = pending > 0 ? uint32_t(pending) : 0;
    return true;
}

bool HasInput(SocketHandle handle) {
    pollfd p{int(handle), POLLIN, 0};
    return poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

bool WaitForInput(const SocketHandle *handles, int count, int timeoutMs) {
    std::vector<pollfd> polled;
    for (int i = 0; i < count; ++i) polled.push_back({int(handles[i]), POLLIN, 0});
    // A signal cuts the wait short; the caller looks at its clock and waits again.
    return poll(polled.data(), polled.size(), timeoutMs) > 0;
}

int WaitForReady(const SocketHandle *handles, int count, int timeoutMs, uint8_t *ready) {
    std::vector<pollfd> polled;
    for (int i = 0; i < count; ++i) polled.push_back({int(handles[i]), POLLIN, 0});
    const int n = poll(polled.data(), polled.size(), timeoutMs);
    for (int i = 0; i < count; ++i) ready[i] = n > 0 && (polled[size_t(i)].revents & (POLLIN | POLLERR)) != 0;
    return n > 0 ? n : 0;
}

bool SetBroadcast(SocketHandle handle, bool on) {
    const int value = on ? 1 : 0;
    if (setsockopt(int(handle), SOL_SOCKET, SO_BROADCAST, &value, sizeof value) != 0) return Fail(), false;
    return true;
}

// The system caps SO_RCVBUF at net.core.rmem_max without failing; a process
// with CAP_NET_ADMIN may pass that cap with SO_RCVBUFFORCE. The system counts
// twice what it was asked for, bookkeeping included.
bool WidenReceiveBuffer(SocketHandle handle, int privilegedBytes) {
    const int most = INT_MAX / 2;
    if (setsockopt(int(handle), SOL_SOCKET, SO_RCVBUF, &most, sizeof most) != 0) return Fail(), false;
    int granted = 0;
    socklen_t size = sizeof granted;
    if (getsockopt(int(handle), SOL_SOCKET, SO_RCVBUF, &granted, &size) == 0 && granted / 2 < privilegedBytes)
        setsockopt(int(handle), SOL_SOCKET, SO_RCVBUFFORCE, &privilegedBytes, sizeof privilegedBytes);
    return true;
}

bool ResolveHost(const char *name, uint32_t &address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo *list = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &list) != 0 || !list) {
        SetLastError(kErrHostNotFound);
        return false;
    }
    address = reinterpret_cast<const sockaddr_in *>(list->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(list);
    return true;
}

}  // namespace vd::net
