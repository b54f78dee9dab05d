// A connection's bytes as they pass: as they are, or through TLS. Neither
// ever blocks: an operation that would wait returns kAgain, and Wants()
// tells which readiness of the socket to wait for (TLS may have to read to
// write, and write to read).
#ifndef VANDREL_WEB_CHANNEL_H
#define VANDREL_WEB_CHANNEL_H

#include <httplib.h>

#include <chrono>

namespace vdweb {

constexpr ssize_t kAgain = -2;

class Channel {
public:
    // tls: the server's context, or null for plain bytes.
    Channel(socket_t socket, SSL_CTX *tls);
    ~Channel();
    Channel(const Channel &) = delete;
    Channel &operator=(const Channel &) = delete;

    // TLS's handshake, done by deadline; true at once for plain bytes.
    bool Handshake(std::chrono::steady_clock::time_point deadline);
    // > 0: bytes, 0: the peer ended, -1: an error, kAgain: wait and retry.
    ssize_t Receive(char *data, size_t size);
    ssize_t Send(const char *data, size_t size);
    // Bytes already decrypted, which the socket no longer shows as readable.
    bool Buffered() const;
    // What the last kAgain waits for: POLLIN or POLLOUT.
    short Wants() const { return m_wants; }
    // Tells the peer nothing more comes (TLS's close_notify first).
    void EndWrites();

private:
    ssize_t Again(int result);

    socket_t m_socket;
    bool m_tls;
    SSL *m_ssl = nullptr;
    bool m_open = false;  // TLS's handshake done
    short m_wants = 0;
};

}  // namespace vdweb

#endif
