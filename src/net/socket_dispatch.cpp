// The helper window's procedure: turns one queued message into a handler
// call, after dropping notifications that no longer concern a live socket.
#include "net/socket_context_internal.h"

namespace vd::net {

void CSocketContext::Dispatch(const SocketMessage &message) {
    if (message.id == LOOKUP_DONE_MSG) {
        CompleteLookup(message.wparam);
        return;
    }
    if (message.id < SOCKET_MSG_BASE) return;
    CAsyncSocketEx *socket = nullptr;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        const int64_t slot = int64_t(message.id) - SOCKET_MSG_BASE;
        const SlotEntry *entry = slot < m_slots.Capacity() ? m_slots.At(int32_t(slot)) : nullptr;
        // A notification left over from an earlier socket in the same slot
        // names another handle.
        if (!entry || message.wparam == uintptr_t(intptr_t(kInvalidSocket)) ||
            uintptr_t(entry->socket->GetHandle()) != message.wparam)
            return;
        socket = entry->socket;
    }
    const int32_t event = int32_t(message.lparam & 0xFFFF);
    int32_t error = int32_t((uintptr_t(message.lparam) >> 16) & 0xFFFF);
    switch (event) {
    case FD_ACCEPT:
        socket->OnAccept(error);
        break;
    case FD_WRITE:
        socket->OnSend(error);
        break;
    case FD_READ: {
        uint32_t pending = 0;
        if (!QueryPending(socket->GetHandle(), pending)) error = LastError();
        // Polling reads may already have taken the data.
        if (pending == 0 && error == 0) return;
        socket->OnReceive(error);
        break;
    }
    case FD_CONNECT:
        socket->OnConnect(error);
        break;
    case FD_CLOSE:
        socket->OnClose(error);
        break;
    default:
        break;
    }
}

void CSocketContext::CompleteLookup(uintptr_t request) {
    CAsyncSocketEx *socket = nullptr;
    std::string host;
    uint32_t port = 0;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        for (int32_t slot = 0; slot < m_slots.Capacity() && !socket; ++slot) {
            const SlotEntry *entry = m_slots.At(slot);
            if (entry && entry->socket->m_lookupRequest != 0 &&
                uintptr_t(entry->socket->m_lookupRequest) == request)
                socket = entry->socket;
        }
        if (!socket) return;
        host = socket->m_lookupHost;
        port = socket->m_lookupPort;
    }
    sockaddr_in address{};
    if (!ResolveHost(host.c_str(), address.sin_addr)) {
        // The request stays until Close, as a failed lookup's would.
        socket->OnConnect(LastError());
        return;
    }
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        socket->m_lookupRequest = 0;
        socket->m_lookupHost.clear();
    }
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    if (socket->Connect(address) || LastError() == kErrWouldBlock) return;
    socket->OnConnect(LastError());
}

}  // namespace vd::net
