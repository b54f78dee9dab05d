// The helper window's stand-in on POSIX. The owner thread finds socket events
// by polling every watched socket when it pumps, queues each as a message and
// hands the queue to the context's window procedure. An announced event is
// not announced again until the call that consumes it (a read), so a socket
// whose data nobody reads does not flood the queue; a connect's end and a
// peer's close are announced once. A host-name lookup is queued at once as
// finished and resolved (blocking) when its message is dispatched.
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "net/message_loop.h"
#include "net/posix/errors.h"
#include "net/socket_context_internal.h"

namespace vd::net {

namespace {

struct Watch {
    SocketHandle handle = kInvalidSocket;
    int32_t events = 0;       // the events selected
    int32_t armed = 0;        // of those, the ones that may be announced now
    bool stream = false;
    bool connecting = false;  // a stream connect runs; its end is announced once
    bool connected = false;   // the stream is established: reads and closes are watched
    bool ended = false;       // peer close, error or failed connect seen: no more watching
};

struct Message {
    uint32_t id;
    uintptr_t wparam;
    intptr_t lparam;
};

intptr_t NoticeParam(int32_t event, int32_t error) {
    return intptr_t((uint32_t(error & 0xFFFF) << 16) | uint32_t(event & 0xFFFF));
}

int TakeSocketError(SocketHandle handle) {
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(int(handle), SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
    return ErrorCode(error);
}

short WatchedEvents(const Watch &w) {
    if (w.handle == kInvalidSocket || w.ended) return 0;
    if (!w.stream) return (w.armed & kEventRead) ? POLLIN : 0;
    if (w.connecting) return POLLOUT;
    if (!w.connected) return 0;
    // Without a read to announce, only the peer's close is of interest.
    if (w.armed & kEventRead) return POLLIN;
    return (w.armed & kEventClose) ? POLLRDHUP : 0;
}

// Each round dispatches what one scan found; the handlers' reads let further
// notices through for the next round. The bound keeps a peer that never stops
// sending from holding the pump forever.
constexpr int kMaxRounds = 64;

}  // namespace

struct HelperWindow {
    explicit HelperWindow(SocketContext &owner) : context(owner) {}

    // Polls the watched sockets, waiting up to waitMs, and queues what they announce.
    void Scan(int waitMs);
    void Examine(Watch &w, int32_t slot, short revents);
    void Queue(Watch &w, int32_t slot, int32_t event, int32_t error);
    bool Take(uint32_t first, uint32_t last, Message &out);
    int DispatchPending(uint32_t first, uint32_t last);

    SocketContext &context;
    std::mutex mutex;  // guards everything below
    std::vector<Watch> watches;  // by slot
    std::deque<Message> queue;
    // Scan's working lists, kept between scans; only the owner thread scans.
    std::vector<pollfd> polled;
    std::vector<int32_t> polledSlots;
    std::map<uintptr_t, std::string> lookups;  // running lookups: request -> name
    uintptr_t lastLookup = 0;
};

void HelperWindow::Queue(Watch &w, int32_t slot, int32_t event, int32_t error) {
    // A connect's end needs no arming: it happens once per connect.
    if (!((w.armed | kEventConnect) & w.events & event)) return;
    w.armed &= ~event;
    queue.push_back({SOCKET_MSG_BASE + uint32_t(slot), uintptr_t(w.handle), NoticeParam(event, error)});
}

void HelperWindow::Scan(int waitMs) {
    polled.clear();
    polledSlots.clear();
    {
        std::lock_guard<std::mutex> guard(mutex);
        for (size_t slot = 0; slot < watches.size(); ++slot) {
            const short events = WatchedEvents(watches[slot]);
            if (!events) continue;
            polled.push_back({int(watches[slot].handle), events, 0});
            polledSlots.push_back(int32_t(slot));
        }
    }
    if (poll(polled.data(), polled.size(), waitMs) <= 0) return;
    std::lock_guard<std::mutex> guard(mutex);
    for (size_t i = 0; i < polled.size(); ++i) {
        Watch &w = watches[size_t(polledSlots[i])];
        // The socket may have been closed or replaced while polling.
        if (polled[i].revents && w.handle == polled[i].fd) Examine(w, polledSlots[i], polled[i].revents);
    }
}

void HelperWindow::Examine(Watch &w, int32_t slot, short revents) {
    if (!w.stream) {
        if (revents & POLLERR) TakeSocketError(w.handle);
        if (revents & POLLIN) Queue(w, slot, kEventRead, 0);
        return;
    }
    if (w.connecting) {
        w.connecting = false;
        const int error = TakeSocketError(w.handle);
        if (error == 0)
            w.connected = true;
        else
            w.ended = true;
        Queue(w, slot, kEventConnect, error);
        return;
    }
    bool peerDone = (revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
    int error = 0;
    char byte;
    const ssize_t n = recv(int(w.handle), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n > 0) {
        // Data first: the close is announced once it has been read.
        if (w.armed & w.events & kEventRead) {
            Queue(w, slot, kEventRead, 0);
            peerDone = false;
        }
    } else if (n == 0) {
        peerDone = true;
    } else if (errno != EAGAIN && errno != EWOULDBLOCK) {
        peerDone = true;
        error = ErrorCode(errno);
    }
    if (peerDone) {
        if (error == 0 && (revents & POLLERR)) error = TakeSocketError(w.handle);
        w.ended = true;
        Queue(w, slot, kEventClose, error);
    }
}

bool HelperWindow::Take(uint32_t first, uint32_t last, Message &out) {
    std::lock_guard<std::mutex> guard(mutex);
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (it->id < first || it->id > last) continue;
        out = *it;
        queue.erase(it);
        return true;
    }
    return false;
}

int HelperWindow::DispatchPending(uint32_t first, uint32_t last) {
    int total = 0;
    for (int round = 0; round < kMaxRounds; ++round) {
        Scan(0);
        int count = 0;
        Message message;
        while (Take(first, last, message)) {
            context.Dispatch(message.id, message.wparam, message.lparam);
            ++count;
        }
        if (count == 0) break;
        total += count;
    }
    return total;
}

HelperWindow *CreateHelperWindow(SocketContext &context) { return new HelperWindow(context); }

void DestroyHelperWindow(HelperWindow *window) { delete window; }

bool SelectEvents(HelperWindow &window, SocketHandle handle, int32_t slot, int32_t events) {
    if (slot < 0 || slot >= kMaxSlots) {
        SetLastError(kErrInvalidArgument);
        return false;
    }
    if (events != 0) {
        const int flags = fcntl(int(handle), F_GETFL);
        if (flags < 0 || fcntl(int(handle), F_SETFL, flags | O_NONBLOCK) < 0) return Fail(), false;
    }
    int type = 0;
    socklen_t size = sizeof type;
    getsockopt(int(handle), SOL_SOCKET, SO_TYPE, &type, &size);
    std::lock_guard<std::mutex> guard(window.mutex);
    if (window.watches.size() <= size_t(slot)) window.watches.resize(size_t(slot) + 1);
    Watch &w = window.watches[size_t(slot)];
    if (events == 0) {
        w = Watch{};
        const uint32_t id = SOCKET_MSG_BASE + uint32_t(slot);
        auto &q = window.queue;
        q.erase(std::remove_if(q.begin(), q.end(), [id](const Message &m) { return m.id == id; }), q.end());
        return true;
    }
    if (w.handle != handle) w = Watch{};
    w.handle = handle;
    w.stream = type == SOCK_STREAM;
    w.events = events;
    w.armed = events & ~kEventConnect;
    return true;
}

void ConnectStarted(HelperWindow &window, int32_t slot) {
    std::lock_guard<std::mutex> guard(window.mutex);
    if (size_t(slot) >= window.watches.size()) return;
    Watch &w = window.watches[size_t(slot)];
    if (!w.stream) return;
    w.connecting = true;
    w.connected = false;
    w.ended = false;
}

void EventsConsumed(HelperWindow &window, int32_t slot, int32_t events, bool moreQueued) {
    std::lock_guard<std::mutex> guard(window.mutex);
    if (size_t(slot) >= window.watches.size()) return;
    Watch &w = window.watches[size_t(slot)];
    // Data known to be queued needs no poll to be announced, and the peer's
    // close comes after it anyway.
    if (moreQueued && (events & kEventRead) && w.stream && w.connected && !w.ended && (w.events & kEventRead)) {
        w.armed |= events & ~kEventRead;
        window.queue.push_back({SOCKET_MSG_BASE + uint32_t(slot), uintptr_t(w.handle), NoticeParam(kEventRead, 0)});
        return;
    }
    w.armed |= events;
}

uintptr_t StartLookup(HelperWindow &window, const char *name) {
    std::lock_guard<std::mutex> guard(window.mutex);
    if (++window.lastLookup == 0) ++window.lastLookup;
    window.lookups[window.lastLookup] = name;
    window.queue.push_back({LOOKUP_DONE_MSG, window.lastLookup, 0});
    return window.lastLookup;
}

bool TakeLookupResult(HelperWindow &window, uintptr_t request, uint32_t &address) {
    std::string name;
    {
        std::lock_guard<std::mutex> guard(window.mutex);
        auto it = window.lookups.find(request);
        if (it == window.lookups.end()) {
            SetLastError(kErrHostNotFound);
            return false;
        }
        name = it->second;
        window.lookups.erase(it);
    }
    return ResolveHost(name.c_str(), address);
}

void CancelLookup(HelperWindow &window, uintptr_t request) {
    std::lock_guard<std::mutex> guard(window.mutex);
    window.lookups.erase(request);
    auto &q = window.queue;
    q.erase(std::remove_if(q.begin(), q.end(),
                           [request](const Message &m) { return m.id == LOOKUP_DONE_MSG && m.wparam == request; }),
            q.end());
}

int PumpWindowMessages(HelperWindow &window, uint32_t first, uint32_t last) {
    if (CurrentThread() != window.context.Owner()) return 0;
    return window.DispatchPending(first, last);
}

int32_t PumpMessages(int32_t timeoutMs) {
    SocketContext *context = OwnContext();
    if (!context) return 0;
    HelperWindow &window = context->Helper();
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
    for (;;) {
        const int count = window.DispatchPending(0, UINT32_MAX);
        if (count > 0) return count;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return 0;
        // Short steps, so that a lookup queued by another thread is not kept waiting.
        window.Scan(int(std::min<int64_t>(left.count(), 10)));
    }
}

}  // namespace vd::net
