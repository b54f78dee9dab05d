// The socket context: the library's one notification channel. Sockets are
// registered in a slot map; their notifications (message number
// SOCKET_MSG_BASE + slot) reach the helper window of the thread that loaded
// the library and are dispatched only when that thread dispatches its
// messages: in the host's message loop, or in the connect wait's pump.
#ifndef VANDREL_NET_SOCKET_CONTEXT_H
#define VANDREL_NET_SOCKET_CONTEXT_H

#include "net/async_socket.h"

namespace vd::net {

// Set by the unload step: from then on closing a socket gives up its slot but
// leaves the handle to the platform's cleanup (StopSockets), whichever
// library context the socket belongs to.
extern int g_unloading;

// Dispatches every pending socket notification and host-name lookup end of
// the calling thread, whatever the socket's slot; the stream connect wait
// runs it. Dispatches nothing on any thread but the loading one.
void PumpSocketNotifications();

// Built at load on the loading thread: records that thread as the owner of
// the library's socket context and creates the context with its helper
// window. Destroyed at unload after every other socket of the library.
class SocketAnchor {
public:
    SocketAnchor();
    ~SocketAnchor() = default;
    SocketAnchor(const SocketAnchor &) = delete;
    SocketAnchor &operator=(const SocketAnchor &) = delete;

private:
    AsyncSocket m_socket;
};

}  // namespace vd::net

#endif
