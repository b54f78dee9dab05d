// How the server serves its connections: each on a thread of its own, so
// that a slow client, an idle one or a thousand at once hold up nobody else
// (a fixed pool would queue the others behind them). At kMaxConnections the
// server accepts no more until one ends; the system's backlog holds them.
// One client address holds at most kMaxConnectionsPerAddress of them, and
// every request is read through a RequestStream, which bounds its head and
// the time it takes.
#ifndef VANDREL_WEB_CONNECTIONS_H
#define VANDREL_WEB_CONNECTIONS_H

#include <httplib.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <unordered_map>

#include "web_limits.h"

namespace vdweb {

class ThreadPerConnection : public httplib::TaskQueue {
public:
    void enqueue(std::function<void()> fn) override;
    void shutdown() override;  // waits a little for the connections' threads

private:
    std::mutex m_mutex;
    std::condition_variable m_idle;
    size_t m_running = 0;
};

// The connections open from each client address.
class AddressCount {
public:
    bool Enter(const std::string &address);  // false at the cap
    void Leave(const std::string &address);

private:
    std::mutex m_mutex;
    std::unordered_map<std::string, size_t> m_open;
};

// The library's server with connections served as above: the library's
// own loop over a connection's requests would read a head of any length.
class BoundedServer : public httplib::Server {
private:
    bool process_and_close_socket(socket_t sock) override;

    AddressCount m_addresses;
};

// The library listens with a backlog of 5, which drops connections that
// arrive in a burst (a browser opens several at once, a thousand clients
// more), to be tried again a second later: the listening socket is noted as
// it is made, and listened on again with the system's largest backlog.
// The socket is bound as the library would, but without SO_REUSEPORT, with
// which a second dashboard on the same port would start and share the
// connections with the first: the second bind fails instead.
class Backlog {
public:
    void Watch(httplib::Server &server);  // before bind_to_port
    void Widen() const;                   // after it

private:
    socket_t m_socket = INVALID_SOCKET;
};

}  // namespace vdweb

#endif
