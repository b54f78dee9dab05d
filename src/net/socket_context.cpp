// The context list and the slot map side of SocketContext.
#include "net/socket_context_internal.h"

#include <algorithm>

namespace vd::net {

// The process's: unloading ends the library for every context at once.
int g_unloading = 0;

namespace {

struct ContextNode {
    ContextNode *next;
    SocketContext *context;
};

// Constant-initialised, so that they are ready whatever order the library's
// static objects are built in. The process's, not a library context's: the
// notices of every socket reach the helper window of the one thread that
// loaded the library, which a host's message loop (or VD_PumpMessages)
// dispatches whatever context the socket belongs to.
std::mutex g_socketContextLock;
ContextNode *g_socketContexts = nullptr;
ThreadId g_ownerThread = 0;

SocketContext *FindLocked(ThreadId owner) {
    for (ContextNode *node = g_socketContexts; node; node = node->next)
        if (node->context->Owner() == owner) return node->context;
    return nullptr;
}

}  // namespace

void RecordOwnerThread() {
    std::lock_guard<std::mutex> guard(g_socketContextLock);
    g_ownerThread = CurrentThread();
}

SocketContext *AcquireContext() {
    std::lock_guard<std::mutex> guard(g_socketContextLock);
    // Without an anchor (a program linking the sockets alone) the first
    // thread to make a socket owns the context.
    if (g_ownerThread == 0) g_ownerThread = CurrentThread();
    SocketContext *context = FindLocked(g_ownerThread);
    if (!context) {
        context = new SocketContext(g_ownerThread);
        g_socketContexts = new ContextNode{g_socketContexts, context};
    }
    ++context->m_refCount;
    return context;
}

void ReleaseContext(SocketContext *context) {
    std::lock_guard<std::mutex> guard(g_socketContextLock);
    for (ContextNode **link = &g_socketContexts; *link; link = &(*link)->next) {
        ContextNode *node = *link;
        if (node->context != context) continue;
        if (--context->m_refCount == 0) {
            *link = node->next;
            delete node;
            delete context;
        }
        return;
    }
}

SocketContext *OwnContext() {
    const ThreadId self = CurrentThread();
    std::lock_guard<std::mutex> guard(g_socketContextLock);
    return self == g_ownerThread ? FindLocked(self) : nullptr;
}

void PumpSocketNotifications() {
    if (SocketContext *context = OwnContext()) PumpWindowMessages(context->Helper(), LOOKUP_DONE_MSG, SOCKET_MSG_LAST);
}

SocketContext::SocketContext(ThreadId owner) : m_owner(owner), m_helper(CreateHelperWindow(*this)) {}

SocketContext::~SocketContext() { DestroyHelperWindow(m_helper); }

bool SocketContext::Register(AsyncSocket &socket) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (socket.m_slot < 0) socket.m_slot = m_slots.Add(&socket);
    return socket.m_slot >= 0;
}

void SocketContext::Unregister(AsyncSocket &socket) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (socket.m_lookupRequest != 0) CancelLookup(*m_helper, socket.m_lookupRequest);
    socket.m_lookupRequest = 0;
    if (socket.m_slot >= 0) {
        if (socket.m_handle != kInvalidSocket) SelectEvents(*m_helper, socket.m_handle, socket.m_slot, 0);
        m_slots.Remove(socket.m_slot);
        socket.m_slot = -1;
    }
    // Out of the map, the socket gets no new handler call; one under way
    // may already have closed it (slot -1) and still be using it.
    if (IsRunning(&socket) && CurrentThread() != m_owner)
        m_handlerEnded.wait(lock, [&] { return !IsRunning(&socket); });
}

bool SocketContext::IsRunning(const AsyncSocket *socket) const {
    return std::find(m_running.begin(), m_running.end(), socket) != m_running.end();
}

bool SocketContext::StartLookup(AsyncSocket &socket, const char *host, uint32_t port) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (socket.m_lookupRequest != 0) CancelLookup(*m_helper, socket.m_lookupRequest);
    socket.m_lookupRequest = net::StartLookup(*m_helper, host);
    socket.m_lookupPort = port;
    return socket.m_lookupRequest != 0;
}

}  // namespace vd::net
