// CSocketContext: the slot map of registered sockets and the helper window
// that the platform announces them to; Dispatch is that window's procedure.
//
// The mutex guards the slot map and the sockets' lookup fields, since a host
// may use the TCP exports on another thread while the loading thread
// dispatches. It is never held while a handler runs.
#ifndef VANDREL_NET_SOCKET_CONTEXT_INTERNAL_H
#define VANDREL_NET_SOCKET_CONTEXT_INTERNAL_H

#include <cstdint>
#include <mutex>

#include "net/async_socket.h"
#include "net/platform.h"
#include "net/slot_map.h"
#include "net/socket_context.h"

namespace vd::net {

class CSocketContext {
public:
    explicit CSocketContext(ThreadId owner);
    ~CSocketContext();
    CSocketContext(const CSocketContext &) = delete;
    CSocketContext &operator=(const CSocketContext &) = delete;

    ThreadId Owner() const { return m_owner; }
    HelperWindow &Helper() { return *m_helper; }

    // Gives socket a slot (it keeps one it has); false when the map is full.
    bool Register(CAsyncSocketEx &socket);
    // Stops the socket's notifications, frees its slot and cancels its
    // running host-name lookup.
    void Unregister(CAsyncSocketEx &socket);
    bool StartLookup(CAsyncSocketEx &socket, const char *host, uint32_t port);

    // The helper window's procedure, on the owner thread.
    void Dispatch(uint32_t message, uintptr_t wparam, intptr_t lparam);

    int32_t m_refCount = 0;  // guarded by the context list's lock

private:
    void DispatchSocket(uint32_t message, uintptr_t wparam, intptr_t lparam);
    void CompleteLookup(uintptr_t request, int32_t error);

    const ThreadId m_owner;
    HelperWindow *m_helper = nullptr;
    std::mutex m_mutex;
    CSlotMap m_slots;
};

// Recorded by the anchor: every socket of the library uses this thread's context.
void RecordOwnerThread();

// The owner thread's context, made on first use; each acquisition is
// matched by one release, and the last release destroys it.
CSocketContext *AcquireContext();
void ReleaseContext(CSocketContext *context);
// The context of the calling thread when it owns one, else null.
CSocketContext *OwnContext();

}  // namespace vd::net

#endif
