#include "request_stream.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "web_limits.h"

namespace vdweb {

namespace {

// One readiness wait on the socket; > 0 when ready.
int Wait(socket_t socket, short events, int ms) {
    pollfd p{socket, events, 0};
    int r = 0;
    while ((r = poll(&p, 1, ms)) < 0 && errno == EINTR) {
    }
    return r;
}

void AddressOf(const sockaddr_storage &a, std::string &ip, int &port) {
    char text[INET6_ADDRSTRLEN] = "";
    if (a.ss_family == AF_INET) {
        const auto &v4 = reinterpret_cast<const sockaddr_in &>(a);
        inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
        port = ntohs(v4.sin_port);
    } else if (a.ss_family == AF_INET6) {
        const auto &v6 = reinterpret_cast<const sockaddr_in6 &>(a);
        inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        port = ntohs(v6.sin6_port);
    }
    ip = text;
}

}  // namespace

bool RequestStream::AwaitRequest(int ms) const {
    return m_begin < m_end || m_channel.Buffered() || Wait(m_socket, POLLIN, ms) > 0;
}

void RequestStream::BeginRequest() {
    m_deadline = Clock::now() + std::chrono::seconds(kHeadSeconds);
    m_inHead = true;
    m_headBytes = m_lines = m_lineBytes = 0;
    m_last = 0;
}

void RequestStream::Answer(int status, const char *reason, const std::string &message) {
    if (m_answered) return;
    const std::string body = "{\"error\":\"" + message + "\"}";
    const std::string text = "HTTP/1.1 " + std::to_string(status) + " " + reason +
                             "\r\nContent-Type: application/json\r\nX-Content-Type-Options: nosniff\r\n"
                             "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    SendAll(text.data(), text.size());
    m_answered = true;
}

void RequestStream::Close() {
    m_channel.EndWrites();
    if (m_answered) Linger();
    shutdown(m_socket, SHUT_RDWR);
    close(m_socket);
}

void RequestStream::Linger() {
    // What the client is still sending is read and dropped for a moment:
    // closing with it unread would reset the connection, and the reset can
    // overtake the answer.
    const Clock::time_point end = Clock::now() + std::chrono::seconds(1);
    for (size_t dropped = 0; dropped < 1024 * 1024 && Clock::now() < end;) {
        const int ms = int(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
        if (Wait(m_socket, POLLIN, std::max(ms, 1)) <= 0) break;
        const ssize_t n = recv(m_socket, m_buffer, sizeof m_buffer, 0);
        if (n <= 0) break;
        dropped += size_t(n);
    }
}

bool RequestStream::Fill() {
    for (short wait = POLLIN;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline - Clock::now()).count();
        if (left <= 0) {
            Answer(408, "Request Timeout", m_inHead ? "the request's head came too slowly" : "the request's body came too slowly");
            return false;
        }
        if (!m_channel.Buffered()) {
            // A wait cut short by the deadline is no read that timed out,
            // even when it ends a fraction of a millisecond before it.
            const bool untilDeadline = left <= m_readTimeoutMs;
            const int ready = Wait(m_socket, wait, int(std::min<long long>(left, m_readTimeoutMs)));
            if (ready == 0 && !untilDeadline) return false;  // the read timed out
            if (ready < 0) return false;
            if (ready == 0) continue;  // the deadline has come or is a moment away
        }
        const ssize_t n = m_channel.Receive(m_buffer, sizeof m_buffer);
        if (n == kAgain) {
            wait = m_channel.Wants();
            continue;
        }
        if (n <= 0) return false;
        m_begin = 0;
        m_end = size_t(n);
        return true;
    }
}

bool RequestStream::CountHead(size_t n) {
    for (size_t i = 0; i < n && m_inHead; ++i) {
        const char c = m_buffer[m_begin + i];
        ++m_headBytes;
        if (c != '\n') {
            ++m_lineBytes;
        } else if (m_lines > 0 && m_lineBytes == 1 && m_last == '\r') {
            // The empty line that ends the head: the body has a deadline of its own.
            m_inHead = false;
            m_deadline = Clock::now() + std::chrono::seconds(kBodySeconds);
        } else {
            ++m_lines;
            m_lineBytes = 0;
        }
        m_last = c;
        if (m_headBytes > kMaxHeadBytes || m_lines > kMaxHeaderLines + 1) {
            Answer(431, "Request Header Fields Too Large",
                   "the request's head is longer than " + std::to_string(kMaxHeadBytes) + " bytes or " +
                       std::to_string(kMaxHeaderLines) + " header lines");
            return false;
        }
    }
    return true;
}

bool RequestStream::is_readable() const {
    return m_begin < m_end || m_channel.Buffered() || Wait(m_socket, POLLIN, m_readTimeoutMs) > 0;
}

bool RequestStream::is_writable() const { return Wait(m_socket, POLLOUT, m_writeTimeoutMs) > 0; }

ssize_t RequestStream::read(char *ptr, size_t size) {
    if (m_answered || (m_begin == m_end && !Fill())) return -1;
    const size_t n = std::min(size, m_end - m_begin);
    if (m_inHead && !CountHead(n)) return -1;
    std::copy(m_buffer + m_begin, m_buffer + m_begin + n, ptr);
    m_begin += n;
    return ssize_t(n);
}

ssize_t RequestStream::SendAll(const char *data, size_t size) {
    size_t sent = 0;
    for (short wait = POLLOUT; sent < size;) {
        if (Wait(m_socket, wait, m_writeTimeoutMs) <= 0) return -1;
        const ssize_t n = m_channel.Send(data + sent, size - sent);
        if (n == kAgain) {
            wait = m_channel.Wants();
            continue;
        }
        if (n <= 0) return -1;
        sent += size_t(n);
        wait = POLLOUT;
    }
    return ssize_t(sent);
}

ssize_t RequestStream::write(const char *ptr, size_t size) { return m_answered ? ssize_t(size) : SendAll(ptr, size); }

void RequestStream::get_remote_ip_and_port(std::string &ip, int &port) const {
    sockaddr_storage a{};
    socklen_t length = sizeof a;
    if (getpeername(m_socket, reinterpret_cast<sockaddr *>(&a), &length) == 0) AddressOf(a, ip, port);
}

void RequestStream::get_local_ip_and_port(std::string &ip, int &port) const {
    sockaddr_storage a{};
    socklen_t length = sizeof a;
    if (getsockname(m_socket, reinterpret_cast<sockaddr *>(&a), &length) == 0) AddressOf(a, ip, port);
}

}  // namespace vdweb
