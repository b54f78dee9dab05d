#include "connections.h"

#include <chrono>
#include <thread>

#include <sys/socket.h>

#include "request_stream.h"

namespace vdweb {

namespace {

int Milliseconds(time_t seconds, time_t microseconds) { return int(seconds * 1000 + microseconds / 1000); }

}  // namespace

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
    std::lock_guard<std::mutex> lock(m_mutex);
    size_t &open = m_open[address];
    if (open >= kMaxConnectionsPerAddress) return false;
    ++open;
    return true;
}

void AddressCount::Leave(const std::string &address) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_open.find(address);
    if (it != m_open.end() && --it->second == 0) m_open.erase(it);
}

bool BoundedServer::process_and_close_socket(socket_t sock) {
    RequestStream stream(sock, Milliseconds(read_timeout_sec_, read_timeout_usec_),
                         Milliseconds(write_timeout_sec_, write_timeout_usec_));
    std::string address;
    int port = 0;
    stream.get_remote_ip_and_port(address, port);
    if (!m_addresses.Enter(address)) {
        stream.Answer(503, "Service Unavailable", "too many connections from this address at once");
        stream.Close();
        return false;
    }
    bool served = true;
    for (size_t left = keep_alive_max_count_; left > 0 && served && !stream.Answered(); --left) {
        if (!stream.AwaitRequest(Milliseconds(keep_alive_timeout_sec_, 0))) break;
        stream.BeginRequest();
        bool closed = false;
        served = process_request(stream, left == 1 || svr_sock_ == INVALID_SOCKET, closed, nullptr) && !closed;
    }
    m_addresses.Leave(address);
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
