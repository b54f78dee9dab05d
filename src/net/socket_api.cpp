#include "net/socket_api.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace vd::net {

int g_unloading = 0;

namespace {

// A plain int, so that the library leaves no thread-local destructor behind
// when it is unloaded.
thread_local int t_lastError = 0;

int Fail() {
    SetLastError(ErrorCode(errno));
    return -1;
}

const sockaddr *Raw(const sockaddr_in &a) { return reinterpret_cast<const sockaddr *>(&a); }

}  // namespace

int LastError() { return t_lastError; }
void SetLastError(int error) { t_lastError = error; }

int ErrorCode(int platformError) {
    switch (platformError) {
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EINPROGRESS:
        return kErrWouldBlock;
    case EINVAL:
        return kErrInvalidArgument;
    case EALREADY:
        return kErrAlreadyHasHandle;
    default:
        return platformError;
    }
}

SocketHandle OpenSocket(int type) {
    const int handle = socket(AF_INET, type | SOCK_CLOEXEC, 0);
    return handle < 0 ? Fail() : handle;
}

void CloseSocket(SocketHandle handle) {
    if (handle >= 0) close(handle);
}

bool SetNonBlocking(SocketHandle handle) {
    const int flags = fcntl(handle, F_GETFL);
    if (flags < 0 || fcntl(handle, F_SETFL, flags | O_NONBLOCK) < 0) return Fail(), false;
    return true;
}

bool BindSocket(SocketHandle handle, const sockaddr_in &address) {
    if (bind(handle, Raw(address), sizeof address) != 0) return Fail(), false;
    return true;
}

int ConnectSocket(SocketHandle handle, const sockaddr_in &address) {
    int r;
    do {
        r = connect(handle, Raw(address), sizeof address);
    } while (r < 0 && errno == EINTR);
    return r == 0 ? 0 : Fail();
}

SocketHandle AcceptSocket(SocketHandle handle) {
    const int accepted = accept4(handle, nullptr, nullptr, SOCK_CLOEXEC);
    return accepted < 0 ? Fail() : accepted;
}

int SendBytes(SocketHandle handle, const void *buffer, int length, int flags) {
    if (length < 0) return SetLastError(kErrInvalidArgument), -1;
    ssize_t n;
    do {
        n = send(handle, buffer, size_t(length), flags | MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? Fail() : int(n);
}

int SendBytesTo(SocketHandle handle, const void *buffer, int length, const sockaddr_in &to, int flags) {
    if (length < 0) return SetLastError(kErrInvalidArgument), -1;
    ssize_t n;
    do {
        n = sendto(handle, buffer, size_t(length), flags | MSG_NOSIGNAL, Raw(to), sizeof to);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? Fail() : int(n);
}

int ReceiveBytes(SocketHandle handle, void *buffer, int length, int flags) {
    if (length < 0) return SetLastError(kErrInvalidArgument), -1;
    ssize_t n;
    do {
        n = recv(handle, buffer, size_t(length), flags);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? Fail() : int(n);
}

int ReceiveBytesFrom(SocketHandle handle, void *buffer, int length, sockaddr_in &from, int flags) {
    if (length < 0) return SetLastError(kErrInvalidArgument), -1;
    socklen_t size = sizeof from;
    ssize_t n;
    do {
        n = recvfrom(handle, buffer, size_t(length), flags, reinterpret_cast<sockaddr *>(&from), &size);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? Fail() : int(n);
}

bool QueryPending(SocketHandle handle, uint32_t &count) {
    int pending = 0;
    if (ioctl(handle, FIONREAD, &pending) != 0) return Fail(), false;
    count = pending > 0 ? uint32_t(pending) : 0;
    return true;
}

bool HasInput(SocketHandle handle) {
    pollfd p{handle, POLLIN, 0};
    return poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

bool SetSocketOption(SocketHandle handle, int level, int option, int value) {
    if (setsockopt(handle, level, option, &value, sizeof value) != 0) return Fail(), false;
    return true;
}

int TakeSocketError(SocketHandle handle) {
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(handle, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
    return ErrorCode(error);
}

bool IsListening(SocketHandle handle) {
    int on = 0;
    socklen_t size = sizeof on;
    return getsockopt(handle, SOL_SOCKET, SO_ACCEPTCONN, &on, &size) == 0 && on != 0;
}

bool ResolveHost(const char *name, in_addr &out) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo *list = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &list) != 0 || !list) {
        SetLastError(kErrHostNotFound);
        return false;
    }
    out = reinterpret_cast<const sockaddr_in *>(list->ai_addr)->sin_addr;
    freeaddrinfo(list);
    return true;
}

}  // namespace vd::net
