// A connection as the HTTP library reads and writes it, with the limits the
// library lacks: a request's head is counted as it is read (its bytes and
// lines, answered 431 beyond kMaxHeadBytes or kMaxHeaderLines), and the
// whole head, then the whole body, must arrive before a deadline (408),
// however slowly the bytes trickle. The library's own read timeout bounds
// each read only, and it would hold a head of any length. The bytes pass
// through a Channel, plain or TLS alike.
#ifndef VANDREL_WEB_REQUEST_STREAM_H
#define VANDREL_WEB_REQUEST_STREAM_H

#include <httplib.h>

#include <chrono>
#include <string>

#include "channel.h"

namespace vdweb {

class RequestStream : public httplib::Stream {
public:
    RequestStream(socket_t socket, Channel &channel, int readTimeoutMs, int writeTimeoutMs)
        : m_socket(socket), m_channel(channel), m_readTimeoutMs(readTimeoutMs), m_writeTimeoutMs(writeTimeoutMs) {}

    // Waits up to ms for the next request's first byte; false when none came.
    bool AwaitRequest(int ms) const;
    // The next request starts: its head is counted, its deadline set.
    void BeginRequest();
    // Answers with status and a JSON error itself; the library's answer, if
    // any follows, is dropped, and the connection ends.
    void Answer(int status, const char *reason, const std::string &message);
    bool Answered() const { return m_answered; }
    // Ends the connection; after an answer of its own, so that the client
    // reads the answer before it learns that the rest was not read.
    void Close();

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char *ptr, size_t size) override;
    ssize_t write(const char *ptr, size_t size) override;
    void get_remote_ip_and_port(std::string &ip, int &port) const override;
    void get_local_ip_and_port(std::string &ip, int &port) const override;
    socket_t socket() const override { return m_socket; }

private:
    using Clock = std::chrono::steady_clock;
    bool Fill();
    // Sends all of it within the write timeout of each wait; the count sent, or -1.
    ssize_t SendAll(const char *data, size_t size);
    // After an answer of its own: reads and drops what the client still sends.
    void Linger();
    // Counts the head's bytes in m_buffer[m_begin, m_begin + n); false after
    // answering 431.
    bool CountHead(size_t n);

    socket_t m_socket;
    Channel &m_channel;
    int m_readTimeoutMs, m_writeTimeoutMs;
    char m_buffer[4096];
    size_t m_begin = 0, m_end = 0;
    Clock::time_point m_deadline = Clock::time_point::max();
    bool m_inHead = false, m_answered = false;
    size_t m_headBytes = 0, m_lines = 0, m_lineBytes = 0;
    char m_last = 0;
};

}  // namespace vdweb

#endif
