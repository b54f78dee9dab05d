#include "net/broadcast_send.h"

namespace vd::net {

int SendBroadcast(SocketHandle handle, const void *buffer, int length, uint16_t port) {
    return SendBroadcastAlong(CurrentBroadcastPaths(), handle, buffer, length, port);
}

int SendBroadcastAlong(const BroadcastPaths &paths, SocketHandle handle, const void *buffer, int length, uint16_t port) {
    bool sent = false;
    int error = kErrNetworkUnreachable;
    const auto note = [&](int result) {
        if (result >= 0)
            sent = true;
        else
            error = LastError();
    };
    // An interface that went down since it was listed fails alone.
    for (const NetInterface &link : paths.links) note(SendBroadcastVia(handle, buffer, length, port, link));
    if (paths.routed) note(SendBytesTo(handle, buffer, length, {kBroadcastAddress, port}));
    if (sent) return length;
    SetLastError(error);
    return -1;
}

}  // namespace vd::net
