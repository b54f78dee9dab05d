#include "connections.h"

#include <chrono>
#include <thread>

#include <sys/socket.h>

#include "channel.h"
#include "request_stream.h"

namespace vdweb {

void ThreadPerConnection::enqueue(std::function<void()> fn) {
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_idle.wait(lock, [this] { return m_running < kMaxConnections; });
        ++m_running;
    }
    std::thread([this, fn = std::move(fn)] {
        fn();
        std::lock_guard<std::mutex> lock(m_mutex);
        --m_running;
        m_idle.notify_all();
    }).detach();
}

void ThreadPerConnection::shutdown() {
    std::unique_lock<std::mutex> lock(m_mutex);
    // A client that never finishes its request must not keep the tool from ending.
    m_idle.wait_for(lock, std::chrono::seconds(5), [this] { return m_running == 0; });
}

bool AddressCount::Enter(const std::string &address) {
    if (m_uncapped.Contains(address)) return true;
    std::lock_guard<std::mutex> lock(m_mutex);
    size_t &open = m_open[address];
    if (open >= kMaxConnectionsPerAddress) return false;
    ++open;
    return true;
}

void AddressCount::Leave(const std::string &address) {
    if (m_uncapped.Contains(address)) return;
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_open.find(address);
    if (it != m_open.end() && --it->second == 0) m_open.erase(it);
}

bool ServeConnection(socket_t sock, SSL_CTX *tls, const ConnectionTimes &times, AddressCount &addresses,
                     const ServeRequest &serve) {
    Channel channel(sock, tls);
    RequestStream stream(sock, channel, times.readMs, times.writeMs);
    std::string address;
    int port = 0;
    stream.get_remote_ip_and_port(address, port);
    const bool admitted = addresses.Enter(address);
    bool served = channel.Handshake(std::chrono::steady_clock::now() + std::chrono::seconds(kHeadSeconds));
    if (!admitted) {
        if (served) stream.Answer(503, "Service Unavailable", "too many connections from this address at once");
        stream.Close();
        return false;
    }
    for (size_t left = times.keepAliveMax; left > 0 && served && !stream.Answered(); --left) {
        if (!stream.AwaitRequest(times.keepAliveMs)) break;
        stream.BeginRequest();
        bool closed = false;
        served = serve(stream, left == 1, closed) && !closed;
    }
    addresses.Leave(address);
    stream.Close();
    return served;
}

void Backlog::Watch(httplib::Server &server) {
    server.set_socket_options([this](socket_t socket) {
        // SO_REUSEADDR only: a restart binds while the last run's
        // connections linger in TIME_WAIT.
        const int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        m_socket = socket;
    });
}

void Backlog::Widen() const {
    if (m_socket != INVALID_SOCKET) ::listen(m_socket, SOMAXCONN);
}

}  // namespace vdweb
