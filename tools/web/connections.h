// How the server serves its connections: each on a thread of its own, so
// that a slow client, an idle one or a thousand at once hold up nobody else
// (a fixed pool would queue the others behind them). At kMaxConnections the
// server accepts no more until one ends; the system's backlog holds them.
#ifndef VANDREL_WEB_CONNECTIONS_H
#define VANDREL_WEB_CONNECTIONS_H

#include <httplib.h>

#include <condition_variable>
#include <mutex>

namespace vdweb {

constexpr size_t kMaxConnections = 2000;

class ThreadPerConnection : public httplib::TaskQueue {
public:
    void enqueue(std::function<void()> fn) override;
    void shutdown() override;  // waits a little for the connections' threads

private:
    std::mutex m_mutex;
    std::condition_variable m_idle;
    size_t m_running = 0;
};

// The library listens with a backlog of 5, which drops connections that
// arrive in a burst (a browser opens several at once, a thousand clients
// more), to be tried again a second later: the listening socket is noted as
// it is made, and listened on again with the system's largest backlog.
class Backlog {
public:
    void Watch(httplib::Server &server);  // before bind_to_port
    void Widen() const;                   // after it

private:
    socket_t m_socket = INVALID_SOCKET;
};

}  // namespace vdweb

#endif
