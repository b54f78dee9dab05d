// The context list and the slot map side of CSocketContext.
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>

#include "net/socket_context_internal.h"

namespace vd::net {

namespace {

struct ContextNode {
    ContextNode *next;
    CSocketContext *context;
};

// Constant-initialised, so that they are ready whatever order the library's
// static objects are built in.
std::mutex g_socketContextLock;
ContextNode *g_socketContexts = nullptr;
pid_t g_ownerThread = 0;

CSocketContext *FindLocked(pid_t owner) {
    for (ContextNode *node = g_socketContexts; node; node = node->next)
        if (node->context->Owner() == owner) return node->context;
    return nullptr;
}

}  // namespace

pid_t CurrentThread() { return pid_t(syscall(SYS_gettid)); }

void RecordOwnerThread() {
    std::lock_guard<std::mutex> guard(g_socketContextLock);
    g_ownerThread = CurrentThread();
}

pid_t OwnerThread() {
    std::lock_guard<std::mutex> guard(g_socketContextLock);
    return g_ownerThread;
}

CSocketContext *AcquireContext() {
    std::lock_guard<std::mutex> guard(g_socketContextLock);
    // Without an anchor (a program linking the sockets alone) the first
    // thread to make a socket owns the context.
    if (g_ownerThread == 0) g_ownerThread = CurrentThread();
    CSocketContext *context = FindLocked(g_ownerThread);
    if (!context) {
        context = new CSocketContext(g_ownerThread);
        g_socketContexts = new ContextNode{g_socketContexts, context};
    }
    ++context->m_refCount;
    return context;
}

void ReleaseContext(CSocketContext *context) {
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

CSocketContext *OwnContext() {
    const pid_t self = CurrentThread();
    std::lock_guard<std::mutex> guard(g_socketContextLock);
    return self == g_ownerThread ? FindLocked(self) : nullptr;
}

bool CSocketContext::Register(CAsyncSocketEx &socket, bool stream) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (socket.m_slot < 0) socket.m_slot = m_slots.Add(&socket, stream);
    return socket.m_slot >= 0;
}

void CSocketContext::Unregister(CAsyncSocketEx &socket) {
    std::lock_guard<std::mutex> guard(m_mutex);
    socket.m_lookupRequest = 0;
    socket.m_lookupHost.clear();
    if (socket.m_slot < 0) return;
    const uint32_t id = SOCKET_MSG_BASE + uint32_t(socket.m_slot);
    m_queue.erase(std::remove_if(m_queue.begin(), m_queue.end(),
                                 [id](const SocketMessage &m) { return m.id == id; }),
                  m_queue.end());
    m_slots.Remove(socket.m_slot);
    socket.m_slot = -1;
}

void CSocketContext::Select(CAsyncSocketEx &socket, int32_t events) {
    std::lock_guard<std::mutex> guard(m_mutex);
    socket.m_eventMask = events;
    if (SlotEntry *entry = m_slots.At(socket.m_slot)) entry->armed = events & ~FD_CONNECT;
}

void CSocketContext::Rearm(const CAsyncSocketEx &socket, int32_t events) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (SlotEntry *entry = m_slots.At(socket.m_slot)) entry->armed |= events;
}

void CSocketContext::StartConnect(const CAsyncSocketEx &socket) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (SlotEntry *entry = m_slots.At(socket.m_slot); entry && entry->stream) {
        entry->connecting = true;
        entry->connected = false;
        entry->ended = false;
    }
}

void CSocketContext::MarkConnected(const CAsyncSocketEx &socket) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (SlotEntry *entry = m_slots.At(socket.m_slot)) entry->connected = true;
}

void CSocketContext::StartLookup(CAsyncSocketEx &socket, const char *host, uint32_t port) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (++m_lastLookup == 0) ++m_lastLookup;
    socket.m_lookupRequest = m_lastLookup;
    socket.m_lookupPort = port;
    socket.m_lookupHost = host;
    m_queue.push_back({LOOKUP_DONE_MSG, uintptr_t(m_lastLookup), 0});
}

void CSocketContext::Post(const SocketMessage &message) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_queue.push_back(message);
}

bool CSocketContext::Take(uint32_t first, uint32_t last, SocketMessage &out) {
    std::lock_guard<std::mutex> guard(m_mutex);
    for (auto it = m_queue.begin(); it != m_queue.end(); ++it) {
        if (it->id < first || it->id > last) continue;
        out = *it;
        m_queue.erase(it);
        return true;
    }
    return false;
}

int32_t CSocketContext::SlotCapacity() {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_slots.Capacity();
}

}  // namespace vd::net
