// SocketContext: the slot map of registered sockets and the helper window
// that the platform announces them to; Dispatch is that window's procedure.
//
// The mutex guards the slot map, the sockets' lookup fields and the list of
// sockets whose handlers run, since a host may use the TCP exports on another
// thread while the loading thread dispatches. It is never held while a
// handler runs.
#ifndef VANDREL_NET_SOCKET_CONTEXT_INTERNAL_H
#define VANDREL_NET_SOCKET_CONTEXT_INTERNAL_H

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "net/async_socket.h"
#include "net/platform.h"
#include "net/slot_map.h"
#include "net/socket_context.h"

namespace vd::net {

class SocketContext {
public:
    explicit SocketContext(ThreadId owner);
    ~SocketContext();
    SocketContext(const SocketContext &) = delete;
    SocketContext &operator=(const SocketContext &) = delete;

    ThreadId Owner() const { return m_owner; }
    HelperWindow &Helper() { return *m_helper; }

    // Gives socket a slot (it keeps one it has); false when the map is full.
    bool Register(AsyncSocket &socket);
    // Stops the socket's notifications, frees its slot and cancels its
    // running host-name lookup. On any thread but the owner, it then waits
    // until a handler of the socket that runs on the owner thread has ended,
    // so that the socket may be destroyed; on the owner thread such a handler
    // is further up the calling stack (a handler closing its own socket) and
    // is not waited for.
    void Unregister(AsyncSocket &socket);
    bool StartLookup(AsyncSocket &socket, const char *host, uint32_t port);

    // The helper window's procedure, on the owner thread.
    void Dispatch(uint32_t message, uintptr_t wparam, intptr_t lparam);

    int32_t m_refCount = 0;  // guarded by the context list's lock

private:
    class Running;

    void DispatchSocket(uint32_t message, uintptr_t wparam, intptr_t lparam);
    void CompleteLookup(uintptr_t request, int32_t error);
    bool IsRunning(const AsyncSocket *socket) const;

    const ThreadId m_owner;
    HelperWindow *m_helper = nullptr;
    std::mutex m_mutex;
    SlotMap m_slots;
    // One entry per handler call under way (handlers nest when one pumps);
    // compared, never followed, so an entry outlives nothing.
    std::vector<const AsyncSocket *> m_running;
    std::condition_variable m_handlerEnded;
};

// Recorded by the anchor: every socket of the library uses this thread's context.
void RecordOwnerThread();

// The owner thread's context, made on first use; each acquisition is
// matched by one release, and the last release destroys it.
SocketContext *AcquireContext();
void ReleaseContext(SocketContext *context);
// The context of the calling thread when it owns one, else null.
SocketContext *OwnContext();

}  // namespace vd::net

#endif
