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

}  // namespace vdweb

#endif
