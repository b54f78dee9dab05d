// The helper window's procedure: turns one message into a handler call,
// after dropping notifications that no longer concern a live socket.
#include <algorithm>

#include "net/socket_context_internal.h"

namespace vd::net {

namespace {

int32_t ErrorOf(intptr_t lparam) { return int32_t((uintptr_t(lparam) >> 16) & 0xFFFF); }

}  // namespace

// A handler call under way: entered while the socket is found under the
// lock, so that closing it on another thread (Unregister) waits until the
// call has ended.
class SocketContext::Running {
public:
    // With the context's lock held.
    Running(SocketContext &context, AsyncSocket *socket) : m_context(context), m_socket(socket) {
        m_context.m_running.push_back(socket);
    }
    ~Running() {
        {
            std::lock_guard<std::mutex> guard(m_context.m_mutex);
            auto &running = m_context.m_running;
            running.erase(std::find(running.begin(), running.end(), m_socket));
        }
        m_context.m_handlerEnded.notify_all();
    }
    Running(const Running &) = delete;
    Running &operator=(const Running &) = delete;

private:
    SocketContext &m_context;
    const AsyncSocket *m_socket;
};

void SocketContext::Dispatch(uint32_t message, uintptr_t wparam, intptr_t lparam) {
    if (message == LOOKUP_DONE_MSG)
        CompleteLookup(wparam, ErrorOf(lparam));
    else if (message >= SOCKET_MSG_BASE && message <= SOCKET_MSG_LAST)
        DispatchSocket(message, wparam, lparam);
}

void SocketContext::DispatchSocket(uint32_t message, uintptr_t wparam, intptr_t lparam) {
    std::unique_lock<std::mutex> lock(m_mutex);
    AsyncSocket *socket = m_slots.At(int32_t(message - SOCKET_MSG_BASE));
    // A notification left over from an earlier socket in the same slot
    // names another handle.
    if (!socket || SocketHandle(wparam) == kInvalidSocket || socket->m_handle != SocketHandle(wparam)) return;
    const Running running(*this, socket);
    lock.unlock();
    int32_t error = ErrorOf(lparam);
    switch (lparam & 0xFFFF) {
    case kEventRead: {
        uint32_t pending = socket->KnownPending();
        if (pending == 0 && !socket->PendingBytes(pending)) error = LastError();
        // Polling reads may already have taken the data.
        if (pending == 0 && error == 0) return;
        socket->OnReceive(error);
        break;
    }
    case kEventConnect:
        socket->OnConnect(error);
        break;
    case kEventClose:
        socket->OnClose(error);
        break;
    default:
        break;
    }
}

void SocketContext::CompleteLookup(uintptr_t request, int32_t error) {
    if (request == 0) return;
    std::unique_lock<std::mutex> lock(m_mutex);
    AsyncSocket *socket = nullptr;
    for (int32_t slot = 0; slot < m_slots.Capacity() && !socket; ++slot) {
        AsyncSocket *candidate = m_slots.At(slot);
        if (candidate && candidate->m_lookupRequest == request) socket = candidate;
    }
    if (!socket) return;
    const Running running(*this, socket);
    Endpoint remote{0, uint16_t(socket->m_lookupPort)};
    // Outside the lock: a stand-in for an asynchronous lookup may block here.
    lock.unlock();
    if (error == 0 && !TakeLookupResult(*m_helper, request, remote.address)) error = LastError();
    if (error != 0) {
        // A failed lookup's request stays until Close.
        socket->OnConnect(error);
        return;
    }
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        socket->m_lookupRequest = 0;
    }
    if (socket->Connect(remote) || LastError() == kErrWouldBlock) return;
    socket->OnConnect(LastError());
}

}  // namespace vd::net
