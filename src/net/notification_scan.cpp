// How the owner thread finds socket events: it polls every registered socket
// for the events that may be announced now and queues one notification per
// event. An announced event is not announced again until the call that
// consumes it (a read, a blocked send, an accept), so a socket whose data
// nobody reads does not flood the queue. A connect end and a peer close are
// announced once.
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <vector>

#include "net/socket_context_internal.h"

namespace vd::net {

namespace {

short WatchedEvents(const SlotEntry &entry) {
    if (entry.ended) return 0;
    const int32_t armed = entry.armed & entry.socket->GetEventMask();
    short events = 0;
    if (!entry.stream) {
        if (armed & FD_READ) events |= POLLIN;
        if (armed & FD_WRITE) events |= POLLOUT;
        return events;
    }
    if (entry.connecting) return POLLOUT;
    if (entry.connected) {
        // Without a read to announce, only the peer's close is of interest.
        if (armed & FD_READ)
            events |= POLLIN;
        else if (armed & FD_CLOSE)
            events |= POLLRDHUP;
        if (armed & FD_WRITE) events |= POLLOUT;
        return events;
    }
    if ((armed & FD_ACCEPT) && IsListening(entry.socket->GetHandle())) return POLLIN;
    return 0;
}

}  // namespace

void CSocketContext::Queue(SlotEntry &entry, int32_t slot, int32_t event, int32_t error) {
    // A connect end needs no arming: it happens once per connect.
    if (!((entry.armed | FD_CONNECT) & entry.socket->GetEventMask() & event)) return;
    entry.armed &= ~event;
    m_queue.push_back({SOCKET_MSG_BASE + uint32_t(slot), uintptr_t(entry.socket->GetHandle()),
                       NoticeParam(event, error)});
}

void CSocketContext::Scan(int waitMs) {
    std::vector<pollfd> polled;
    std::vector<int32_t> slots;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        for (int32_t slot = 0; slot < m_slots.Capacity(); ++slot) {
            const SlotEntry *entry = m_slots.At(slot);
            const short events = entry ? WatchedEvents(*entry) : 0;
            if (!events) continue;
            polled.push_back({entry->socket->GetHandle(), events, 0});
            slots.push_back(slot);
        }
    }
    if (poll(polled.data(), polled.size(), waitMs) <= 0) return;
    std::lock_guard<std::mutex> guard(m_mutex);
    for (size_t i = 0; i < polled.size(); ++i) {
        SlotEntry *entry = m_slots.At(slots[i]);
        // The socket may have been closed or replaced while polling.
        if (!polled[i].revents || !entry || entry->socket->GetHandle() != polled[i].fd) continue;
        Examine(*entry, slots[i], polled[i].revents);
    }
}

void CSocketContext::Examine(SlotEntry &entry, int32_t slot, short revents) {
    const SocketHandle handle = entry.socket->GetHandle();
    const int32_t armed = entry.armed & entry.socket->GetEventMask();
    if (!entry.stream) {
        if (revents & POLLERR) TakeSocketError(handle);
        if (revents & POLLIN) Queue(entry, slot, FD_READ, 0);
        if (revents & POLLOUT) Queue(entry, slot, FD_WRITE, 0);
        return;
    }
    if (entry.connecting) {
        entry.connecting = false;
        const int error = TakeSocketError(handle);
        if (error == 0) {
            entry.connected = true;
            entry.armed |= FD_WRITE;
        } else {
            entry.ended = true;
        }
        Queue(entry, slot, FD_CONNECT, error);
        return;
    }
    if (!entry.connected) {
        if (revents & POLLIN) Queue(entry, slot, FD_ACCEPT, 0);
        return;
    }
    if (revents & (POLLIN | POLLRDHUP | POLLHUP | POLLERR)) {
        bool peerDone = (revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
        int error = 0;
        char byte;
        const ssize_t n = recv(handle, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n > 0) {
            // Data first: the close is announced once it has been read.
            if (armed & FD_READ) {
                Queue(entry, slot, FD_READ, 0);
                peerDone = false;
            }
        } else if (n == 0) {
            peerDone = true;
        } else if (errno != EAGAIN && errno != EWOULDBLOCK) {
            peerDone = true;
            error = ErrorCode(errno);
        }
        if (peerDone) {
            if (error == 0 && (revents & POLLERR)) error = TakeSocketError(handle);
            entry.ended = true;
            Queue(entry, slot, FD_CLOSE, error);
        }
    }
    if (!entry.ended && (revents & POLLOUT)) Queue(entry, slot, FD_WRITE, 0);
}

}  // namespace vd::net
