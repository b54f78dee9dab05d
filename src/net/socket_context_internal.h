// CSocketContext: the socket layer's stand-in for a hidden helper window. It
// holds the slot map of registered sockets and the owner thread's queue of
// notifications. The owner thread finds readiness by polling the registered
// sockets when it pumps, queues each event as a message (0x402 + slot, first
// parameter the handle, second the event in the low 16 bits and the error
// code in the high 16 bits) and dispatches the queue through the "window
// procedure" Dispatch.
//
// The mutex guards the slot map, the sockets' selection and lookup fields and
// the queue, since a host may use the TCP exports on another thread while the
// loading thread pumps. It is never held while a handler runs.
#ifndef VANDREL_NET_SOCKET_CONTEXT_INTERNAL_H
#define VANDREL_NET_SOCKET_CONTEXT_INTERNAL_H

#include <sys/types.h>

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

#include "net/async_socket.h"
#include "net/slot_map.h"
#include "net/socket_context.h"

namespace vd::net {

constexpr uint32_t SOCKET_MSG_LAST = SOCKET_MSG_BASE + 0x200;

struct SocketMessage {
    uint32_t id = 0;
    uintptr_t wparam = 0;
    intptr_t lparam = 0;
};

inline intptr_t NoticeParam(int32_t event, int32_t error) {
    return intptr_t((uint32_t(error & 0xFFFF) << 16) | uint32_t(event & 0xFFFF));
}

class CSocketContext {
public:
    explicit CSocketContext(pid_t owner) : m_owner(owner) {}
    CSocketContext(const CSocketContext &) = delete;
    CSocketContext &operator=(const CSocketContext &) = delete;

    pid_t Owner() const { return m_owner; }

    // Gives socket a slot (it keeps one it has); false when the map is full.
    bool Register(CAsyncSocketEx &socket, bool stream);
    // Frees the socket's slot, drops its queued notifications and any running
    // host-name lookup.
    void Unregister(CAsyncSocketEx &socket);
    void Select(CAsyncSocketEx &socket, int32_t events);
    // A call that consumes an event (a read, a blocked send, an accept) lets
    // it be announced again.
    void Rearm(const CAsyncSocketEx &socket, int32_t events);
    void StartConnect(const CAsyncSocketEx &socket);
    void MarkConnected(const CAsyncSocketEx &socket);
    // Remembers host and port and queues the lookup request (0x401).
    void StartLookup(CAsyncSocketEx &socket, const char *host, uint32_t port);

    void Post(const SocketMessage &message);
    // Owner thread: polls the registered sockets, waiting up to waitMs, and
    // queues what they announce.
    void Scan(int waitMs);
    // Takes the oldest queued message numbered first..last.
    bool Take(uint32_t first, uint32_t last, SocketMessage &out);
    // The helper window's procedure.
    void Dispatch(const SocketMessage &message);

    int32_t SlotCapacity();

    int32_t m_refCount = 0;  // guarded by g_socketContextLock

private:
    void Examine(SlotEntry &entry, int32_t slot, short revents);
    void Queue(SlotEntry &entry, int32_t slot, int32_t event, int32_t error);
    void CompleteLookup(uintptr_t request);

    const pid_t m_owner;
    std::mutex m_mutex;
    CSlotMap m_slots;
    std::deque<SocketMessage> m_queue;
    uint32_t m_lastLookup = 0;
};

pid_t CurrentThread();
// Recorded by the anchor: every socket of the library uses this thread's context.
void RecordOwnerThread();
pid_t OwnerThread();

// The owner thread's context, made on first use; each acquisition is
// released once.
CSocketContext *AcquireContext();
void ReleaseContext(CSocketContext *context);
// The context of the calling thread when it owns one, else null.
CSocketContext *OwnContext();

// A handle closed during unload, left for Cleanup.
void LeaveToCleanup(SocketHandle handle);

}  // namespace vd::net

#endif
