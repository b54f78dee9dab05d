// Small loopback peers for the socket layer's tests: a TCP listener whose
// accepted connection the test drives by hand, and timing helpers.
#ifndef VANDREL_TESTS_SOCKET_TEST_PEER_H
#define VANDREL_TESTS_SOCKET_TEST_PEER_H

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "sim_net.h"

namespace vdtest {

class TcpPeer {
public:
    explicit TcpPeer(uint16_t port, const std::string &address = "127.0.0.1")
        : m_listener(vdsim::OpenTcpListener(address, port)) {}
    ~TcpPeer() {
        CloseConnection();
        if (m_listener >= 0) close(m_listener);
    }
    TcpPeer(const TcpPeer &) = delete;
    TcpPeer &operator=(const TcpPeer &) = delete;

    bool Listening() const { return m_listener >= 0; }

    // Takes the next pending connection, waiting up to timeoutMs.
    bool Accept(int timeoutMs = 1000) {
        CloseConnection();
        if (!vdsim::WaitReadable(m_listener, timeoutMs)) return false;
        m_connection = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        return m_connection >= 0;
    }
    bool Send(const std::string &text) {
        return vdsim::SendAll(m_connection, reinterpret_cast<const uint8_t *>(text.data()), text.size());
    }
    // What arrives within timeoutMs (one read).
    std::string Receive(int timeoutMs = 1000) {
        if (!vdsim::WaitReadable(m_connection, timeoutMs)) return "";
        char buffer[4096];
        const ssize_t n = recv(m_connection, buffer, sizeof buffer, 0);
        return n > 0 ? std::string(buffer, size_t(n)) : "";
    }
    void CloseConnection() {
        if (m_connection >= 0) close(m_connection);
        m_connection = -1;
    }

private:
    int m_listener = -1;
    int m_connection = -1;
};

inline int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace vdtest

#endif
