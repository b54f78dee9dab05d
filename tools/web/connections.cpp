#include "connections.h"

#include <chrono>
#include <thread>

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

void Backlog::Watch(httplib::Server &server) {
    server.set_socket_options([this](socket_t socket) {
        httplib::default_socket_options(socket);
        m_socket = socket;
    });
}

void Backlog::Widen() const {
    if (m_socket != INVALID_SOCKET) ::listen(m_socket, SOMAXCONN);
}

}  // namespace vdweb
