#include "channel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

#include <openssl/ssl.h>

namespace vdweb {

Channel::Channel(socket_t socket, SSL_CTX *tls) : m_socket(socket), m_tls(tls != nullptr) {
    if (!m_tls) return;
    // SSL_read would otherwise wait in the middle of a record for the rest
    // of it, past every deadline.
    fcntl(socket, F_SETFL, fcntl(socket, F_GETFL) | O_NONBLOCK);
    m_ssl = SSL_new(tls);
    if (m_ssl) SSL_set_fd(m_ssl, socket);
}

Channel::~Channel() {
    if (m_ssl) SSL_free(m_ssl);
}

ssize_t Channel::Again(int result) {
    m_wants = 0;
    const int error = SSL_get_error(m_ssl, result);
    if (error == SSL_ERROR_WANT_READ) m_wants = POLLIN;
    if (error == SSL_ERROR_WANT_WRITE) m_wants = POLLOUT;
    if (m_wants) return kAgain;
    // The peer's close_notify ends the connection as a plain end does.
    return error == SSL_ERROR_ZERO_RETURN ? 0 : -1;
}

bool Channel::Handshake(std::chrono::steady_clock::time_point deadline) {
    // A TLS connection whose state could not be made never serves in clear.
    if (!m_tls || !m_ssl) return !m_tls;
    for (;;) {
        const int r = SSL_accept(m_ssl);
        if (r == 1) return m_open = true;
        if (Again(r) != kAgain) return false;
        using std::chrono::milliseconds;
        const long long left = std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        pollfd p{m_socket, m_wants, 0};
        if (left <= 0 || (poll(&p, 1, int(left)) < 0 && errno != EINTR)) return false;
    }
}

ssize_t Channel::Receive(char *data, size_t size) {
    m_wants = 0;
    if (!m_tls) {
        const ssize_t n = recv(m_socket, data, size, MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return (m_wants = POLLIN), kAgain;
        return n;
    }
    if (!m_open) return -1;
    const int n = SSL_read(m_ssl, data, int(std::min<size_t>(size, 1 << 30)));
    return n > 0 ? n : Again(n);
}

ssize_t Channel::Send(const char *data, size_t size) {
    m_wants = 0;
    if (!m_tls) {
        const ssize_t n = send(m_socket, data, size, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return (m_wants = POLLOUT), kAgain;
        return n;
    }
    if (!m_open) return -1;
    // TLS writes all or nothing; a retry after kAgain passes the same bytes.
    const int n = SSL_write(m_ssl, data, int(std::min<size_t>(size, 1 << 30)));
    return n > 0 ? n : Again(n);
}

bool Channel::Buffered() const { return m_open && SSL_pending(m_ssl) > 0; }

void Channel::EndWrites() {
    if (m_open) SSL_shutdown(m_ssl);
    shutdown(m_socket, SHUT_WR);
}

}  // namespace vdweb
