// Broadcasts on the wire: one datagram for 255.255.255.255 sent along every
// path that the choice of interfaces gives (net/interfaces.h).
#ifndef VANDREL_NET_BROADCAST_SEND_H
#define VANDREL_NET_BROADCAST_SEND_H

#include <cstdint>

#include "net/platform.h"

namespace vd::net {

// Sends one datagram to 255.255.255.255:port along every current path.
// Returns length when at least one send went out, else -1 with the last
// error of the sends (kErrNetworkUnreachable when there was no path).
int SendBroadcast(SocketHandle handle, const void *buffer, int length, uint16_t port);
// As SendBroadcast, along the paths given.
int SendBroadcastAlong(const BroadcastPaths &paths, SocketHandle handle, const void *buffer, int length, uint16_t port);

}  // namespace vd::net

#endif
