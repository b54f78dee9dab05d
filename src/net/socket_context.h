// The socket context: the library's one notification channel. Sockets are
// registered in a slot map; their notifications (message number 0x402 + slot)
// are queued for the thread that loaded the library and dispatched only when
// that thread pumps, as a window's messages would be.
#ifndef VANDREL_NET_SOCKET_CONTEXT_H
#define VANDREL_NET_SOCKET_CONTEXT_H

#include <cstdint>

#include "net/async_socket.h"

namespace vd::net {

constexpr uint32_t LOOKUP_DONE_MSG = 0x401;
constexpr uint32_t SOCKET_MSG_BASE = 0x402;

// Dispatches every pending socket notification (0x402 to 0x602) of the
// calling thread; host-name lookup completions stay queued. Used by the
// stream connect wait.
void PumpSocketNotifications();

// The host's message loop (VD_PumpMessages): dispatches everything pending,
// waiting up to timeoutMs for the first. Returns how many were dispatched;
// 0 on any thread but the loading one.
int32_t PumpMessages(int32_t timeoutMs);

// Built at load on the loading thread: records that thread as the owner of
// the library's socket context and creates the context. Destroyed at unload
// after every other socket of the library.
class CSocketAnchor {
public:
    CSocketAnchor();
    ~CSocketAnchor();
    CSocketAnchor(const CSocketAnchor &) = delete;
    CSocketAnchor &operator=(const CSocketAnchor &) = delete;

private:
    CAsyncSocketEx m_socket;
};

// The load and unload steps of the socket layer. Cleanup runs last of all and
// closes the handles that sockets closed during unload left open (see
// g_unloading), as the platform's socket cleanup would.
void Startup();
void Cleanup();

}  // namespace vd::net

#endif
