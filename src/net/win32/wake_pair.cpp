// The wake signal as two loopback datagram sockets connected to each other:
// select waits only on sockets.
#include <winsock2.h>
#include <windows.h>

#include "net/platform.h"

namespace vd::net {

namespace {

SocketHandle BoundLoopback(Endpoint &at) {
    const SocketHandle s = OpenSocket(false);
    at = {htonl(INADDR_LOOPBACK), 0};
    if (s == kInvalidSocket || !BindSocket(s, at)) return s;
    sockaddr_in bound{};
    int size = sizeof bound;
    getsockname(SOCKET(s), reinterpret_cast<sockaddr *>(&bound), &size);
    at.port = ntohs(bound.sin_port);
    return s;
}

}  // namespace

bool OpenWakePair(WakePair &pair) {
    Endpoint waitAt, raiseAt;
    pair.waitEnd = BoundLoopback(waitAt);
    pair.raiseEnd = BoundLoopback(raiseAt);
    u_long on = 1;
    const bool ok = pair.waitEnd != kInvalidSocket && pair.raiseEnd != kInvalidSocket &&
                    ConnectSocket(pair.raiseEnd, waitAt) && ConnectSocket(pair.waitEnd, raiseAt) &&
                    ioctlsocket(SOCKET(pair.waitEnd), FIONBIO, &on) == 0;
    if (!ok) CloseWakePair(pair);
    return ok;
}

void CloseWakePair(WakePair &pair) {
    if (pair.waitEnd != kInvalidSocket) closesocket(SOCKET(pair.waitEnd));
    if (pair.raiseEnd != kInvalidSocket) closesocket(SOCKET(pair.raiseEnd));
    pair = WakePair();
}

void RaiseWake(const WakePair &pair) {
    const char byte = 1;
    send(SOCKET(pair.raiseEnd), &byte, 1, 0);
}

void LowerWake(const WakePair &pair) {
    char bytes[64];
    while (recv(SOCKET(pair.waitEnd), bytes, sizeof bytes, 0) > 0) {
    }
}

}  // namespace vd::net
