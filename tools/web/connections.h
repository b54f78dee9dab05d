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
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>

#include "proxy_ranges.h"
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
    // Connections from these addresses are not counted: a proxy's are those
    // of all its clients. Set before the first connection.
    void Uncap(ProxyRanges ranges) { m_uncapped = std::move(ranges); }
    bool Enter(const std::string &address);  // false at the cap
    void Leave(const std::string &address);

private:
    std::mutex m_mutex;
    std::unordered_map<std::string, size_t> m_open;
    ProxyRanges m_uncapped;
};

// How long a connection may take, from the server's settings.
struct ConnectionTimes {
    int readMs = 0, writeMs = 0, keepAliveMs = 0;
    size_t keepAliveMax = 0;
};

// Serves one connection's requests through a RequestStream, on plain bytes
// or (tls not null) after TLS's handshake; serve runs the library on one
// request: (stream, whether it is the last, set when the client closed).
using ServeRequest = std::function<bool(httplib::Stream &, bool, bool &)>;
bool ServeConnection(socket_t sock, SSL_CTX *tls, const ConnectionTimes &times, AddressCount &addresses,
                     const ServeRequest &serve);

inline SSL_CTX *TlsOf(httplib::Server &) { return nullptr; }
inline SSL_CTX *TlsOf(httplib::SSLServer &server) { return server.ssl_context(); }

// The library's server, plain or TLS, with connections served as above: the
// library's own loop over a connection's requests would read a head of any
// length.
template <class Base> class Bounded : public Base {
public:
    using Base::Base;
    void UncapAddresses(ProxyRanges ranges) { m_addresses.Uncap(std::move(ranges)); }

private:
    bool process_and_close_socket(socket_t sock) override {
        const ConnectionTimes times{Milliseconds(this->read_timeout_sec_, this->read_timeout_usec_),
                                    Milliseconds(this->write_timeout_sec_, this->write_timeout_usec_),
                                    Milliseconds(this->keep_alive_timeout_sec_, 0), this->keep_alive_max_count_};
        return ServeConnection(sock, TlsOf(*this), times, m_addresses,
                               [this](httplib::Stream &stream, bool last, bool &closed) {
                                   return this->process_request(stream, last || this->svr_sock_ == INVALID_SOCKET,
                                                                closed, nullptr);
                               });
    }
    static int Milliseconds(time_t seconds, time_t microseconds) { return int(seconds * 1000 + microseconds / 1000); }

    AddressCount m_addresses;
};

using BoundedServer = Bounded<httplib::Server>;
using BoundedTlsServer = Bounded<httplib::SSLServer>;

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
