// The platform layer: thin wrappers over POSIX sockets that return results
// and error codes and never throw. Error codes keep the values the rest of the
// library was written against (would block 10035, invalid argument 10022,
// already has a handle 10037); other platform errors pass through as errno.
#ifndef VANDREL_NET_SOCKET_API_H
#define VANDREL_NET_SOCKET_API_H

#include <netinet/in.h>

#include <cstdint>

namespace vd::net {

using SocketHandle = int;
constexpr SocketHandle kInvalidSocket = -1;

constexpr int kErrWouldBlock = 10035;
constexpr int kErrInvalidArgument = 10022;
constexpr int kErrAlreadyHasHandle = 10037;

// Set by the unload step: from then on closing a socket gives up its slot but
// leaves the handle to Cleanup (socket_context.h).
extern int g_unloading;

// The calling thread's last socket error.
int LastError();
void SetLastError(int error);

}  // namespace vd::net

#endif
