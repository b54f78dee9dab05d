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
constexpr int kErrHostNotFound = 11001;

// Set by the unload step: from then on closing a socket gives up its slot but
// leaves the handle to Cleanup (socket_context.h).
extern int g_unloading;

// The calling thread's last socket error.
int LastError();
void SetLastError(int error);

// The wrappers below set the last error when they fail (-1 or false).
// type: SOCK_STREAM or SOCK_DGRAM; the handle is close-on-exec.
SocketHandle OpenSocket(int type);
void CloseSocket(SocketHandle handle);
bool SetNonBlocking(SocketHandle handle);
bool BindSocket(SocketHandle handle, const sockaddr_in &address);
// 0 connected at once, -1 otherwise (kErrWouldBlock while it runs).
int ConnectSocket(SocketHandle handle, const sockaddr_in &address);
SocketHandle AcceptSocket(SocketHandle handle);
int SendBytes(SocketHandle handle, const void *buffer, int length, int flags);
int SendBytesTo(SocketHandle handle, const void *buffer, int length, const sockaddr_in &to, int flags);
int ReceiveBytes(SocketHandle handle, void *buffer, int length, int flags);
int ReceiveBytesFrom(SocketHandle handle, void *buffer, int length, sockaddr_in &from, int flags);
bool QueryPending(SocketHandle handle, uint32_t &count);
// True when a read would not block (a datagram, even an empty one, is queued).
bool HasInput(SocketHandle handle);
bool SetSocketOption(SocketHandle handle, int level, int option, int value);
// The socket's pending error (SO_ERROR), cleared by the query; an error code.
int TakeSocketError(SocketHandle handle);
bool IsListening(SocketHandle handle);
// Blocking lookup of an IPv4 address (network order) for a host name.
bool ResolveHost(const char *name, in_addr &out);

// A platform errno as the error code the library uses.
int ErrorCode(int platformError);

}  // namespace vd::net

#endif
