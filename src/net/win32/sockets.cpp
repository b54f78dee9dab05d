// Windows Sockets behind the platform contract: the platform's own error
// numbering is the library's.
#include <winsock2.h>
#include <windows.h>

#include "net/platform.h"
#include "net/sockaddr.h"

namespace vd::net {

namespace {

// What closing a stream reads and drops at most.
constexpr int kDiscardBytes = 4096;
constexpr int kDiscardReads = 64;

// Set by StopSockets, during unload; the process's, as Windows Sockets'
// start and stop are.
bool g_stopped = false;

SOCKET Native(SocketHandle handle) { return SOCKET(handle); }

int Result(int n) { return n == SOCKET_ERROR ? -1 : n; }

}  // namespace

ThreadId CurrentThread() { return ThreadId(GetCurrentThreadId()); }

bool StartSockets() {
    g_stopped = false;
    WSADATA data;
    return WSAStartup(MAKEWORD(1, 1), &data) == 0;
}

// Closes every socket still open, those left during unload included.
void StopSockets() {
    g_stopped = true;
    WSACleanup();
}

void LeaveToCleanup(SocketHandle handle) {
    if (g_stopped) CloseSocket(handle);
}

SocketHandle OpenSocket(bool stream) {
    const SOCKET s = socket(AF_INET, stream ? SOCK_STREAM : SOCK_DGRAM, 0);
    if (s == INVALID_SOCKET) return kInvalidSocket;
    SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    const BOOL on = TRUE;
    if (stream) setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char *>(&on), sizeof on);
    return SocketHandle(s);
}

// Reads only what is pending, so that a socket still blocking never waits.
void CloseSocket(SocketHandle handle) {
    if (handle == kInvalidSocket) return;
    const SOCKET s = Native(handle);
    int type = 0, size = sizeof type;
    if (getsockopt(s, SOL_SOCKET, SO_TYPE, reinterpret_cast<char *>(&type), &size) == 0 && type == SOCK_STREAM) {
        shutdown(s, SD_SEND);
        char discard[kDiscardBytes];
        u_long pending = 0;
        for (int i = 0; i < kDiscardReads && ioctlsocket(s, FIONREAD, &pending) == 0 && pending > 0; ++i)
            if (recv(s, discard, sizeof discard, 0) <= 0) break;
    }
    closesocket(s);
}

bool BindSocket(SocketHandle handle, const Endpoint &local) {
    const sockaddr_in a = Raw(local);
    return bind(Native(handle), Generic(a), sizeof a) == 0;
}

bool ConnectSocket(SocketHandle handle, const Endpoint &remote) {
    const sockaddr_in a = Raw(remote);
    return connect(Native(handle), Generic(a), sizeof a) == 0;
}

int SendBytes(SocketHandle handle, const void *buffer, int length) {
    if (length < 0) return SetLastError(kErrInvalidArgument), -1;
    return Result(send(Native(handle), static_cast<const char *>(buffer), length, 0));
}

int SendBytesTo(SocketHandle handle, const void *buffer, int length, const Endpoint &to) {
    if (length < 0) return SetLastError(kErrInvalidArgument), -1;
    const sockaddr_in a = Raw(to);
    return Result(sendto(Native(handle), static_cast<const char *>(buffer), length, 0, Generic(a), sizeof a));
}

int ReceiveBytes(SocketHandle handle, void *buffer, int length) {
    if (length < 0) return SetLastError(kErrInvalidArgument), -1;
    return Result(recv(Native(handle), static_cast<char *>(buffer), length, 0));
}

int ReceiveBytesFrom(SocketHandle handle, void *buffer, int length, Endpoint &from) {
    if (length < 0) return SetLastError(kErrInvalidArgument), -1;
    sockaddr_in a{};
    int size = sizeof a;
    int n = recvfrom(Native(handle), static_cast<char *>(buffer), length, 0, reinterpret_cast<sockaddr *>(&a), &size);
    // A datagram longer than the buffer fills it and the rest is dropped, as
    // on POSIX; Winsock reports that as an error.
    if (n == SOCKET_ERROR && WSAGetLastError() == WSAEMSGSIZE) n = length;
    if (n == SOCKET_ERROR) return -1;
    from = EndpointOf(a);
    return n;
}

bool QueryPending(SocketHandle handle, uint32_t &count) {
    u_long pending = 0;
    if (ioctlsocket(Native(handle), FIONREAD, &pending) != 0) return false;
    count = uint32_t(pending);
    return true;
}

bool HasInput(SocketHandle handle) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(Native(handle), &readable);
    timeval none{0, 0};
    return select(0, &readable, nullptr, nullptr, &none) > 0;
}

// select takes at most FD_SETSIZE sockets; the rest are read when it ends.
bool WaitForInput(const SocketHandle *handles, int count, int timeoutMs) {
    fd_set readable;
    FD_ZERO(&readable);
    for (int i = 0; i < count && i < FD_SETSIZE; ++i) FD_SET(Native(handles[i]), &readable);
    if (readable.fd_count == 0) {
        ::Sleep(DWORD(timeoutMs));
        return false;
    }
    timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    return select(0, &readable, nullptr, nullptr, &wait) > 0;
}

// Sockets past FD_SETSIZE are marked ready: their reads find out.
int WaitForReady(const SocketHandle *handles, int count, int timeoutMs, uint8_t *ready) {
    fd_set readable;
    FD_ZERO(&readable);
    for (int i = 0; i < count && i < FD_SETSIZE; ++i) FD_SET(Native(handles[i]), &readable);
    timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    if (readable.fd_count == 0)
        ::Sleep(DWORD(timeoutMs));
    else if (select(0, &readable, nullptr, nullptr, &wait) <= 0)
        FD_ZERO(&readable);
    int marked = 0;
    for (int i = 0; i < count; ++i) {
        ready[i] = i >= FD_SETSIZE || FD_ISSET(Native(handles[i]), &readable);
        marked += ready[i];
    }
    return marked;
}

bool SetBroadcast(SocketHandle handle, bool on) {
    const BOOL value = on ? TRUE : FALSE;
    return setsockopt(Native(handle), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char *>(&value),
                      sizeof value) == 0;
}

// Windows caps no process below what a crowd of answers needs.
bool WidenReceiveBuffer(SocketHandle handle, int privilegedBytes) {
    return setsockopt(Native(handle), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char *>(&privilegedBytes),
                      sizeof privilegedBytes) == 0;
}

bool ResolveHost(const char *name, uint32_t &address) {
    const hostent *entry = gethostbyname(name);
    if (!entry || entry->h_addrtype != AF_INET || !entry->h_addr_list[0]) {
        SetLastError(kErrHostNotFound);
        return false;
    }
    memcpy(&address, entry->h_addr_list[0], 4);
    return true;
}

}  // namespace vd::net
