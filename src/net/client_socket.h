// ClientSocket: the one socket object through which the library talks to
// devices, either as a UDP datagram socket or as a TCP stream socket (chosen
// on each Open). It knows sockets only: what the bytes mean is its callers'. Waits are bounded and polled on the caller's thread in 10 ms
// steps; a stream connect waits by pumping socket notifications.
#ifndef VANDREL_NET_CLIENT_SOCKET_H
#define VANDREL_NET_CLIENT_SOCKET_H

#include <atomic>
#include <cstdint>
#include <string>

#include "base/text.h"
#include "net/async_socket.h"
#include "net/platform.h"

namespace vd::net {

class ClientSocket : public AsyncSocket {
public:
    ClientSocket() = default;
    ~ClientSocket() override;

    // Datagram: makes (or reuses) a UDP socket with broadcast allowed and a
    // receive buffer as wide as allowed, and remembers host ("" or null:
    // broadcast) and port; no connect.
    // Stream: returns 1 at once when connected (host and port unchanged);
    // else makes a fresh socket and connects, waiting about 3 s at most.
    // True when open (and, for a stream, connected).
    bool Open(SocketType type, const char *host, uint32_t port);

    // Polls the pending-byte count every 10 ms up to timeoutMs (0: one poll,
    // no sleep) and reads once, at most capacity bytes, when something is
    // there. from (room for 16 bytes) gets the sender in datagram mode; may
    // be null. Returns bytes read, 0 on time-out, -1 on a read error.
    int ReceiveTimed(void *buffer, int capacity, char *from, int timeoutMs);

    // Bytes sent; 0 when it would block (or length 0 in stream mode);
    // -1 on another error (a stream is then disconnected). A datagram for
    // the broadcast address leaves along every broadcast path
    // (net/interfaces.h).
    int SendData(const void *buffer, int length);

    void Disconnect();
    // Discards what is queued, without waiting.
    void DiscardQueued();
    // Discards what is queued, then sleeps 10 ms steps for ms.
    void DrainInput(int ms);
    void SetReceiver(WindowHandle window, uint32_t message);
    // False when not connected after 300 cycles of 10 ms.
    bool WaitConnected();

    bool IsConnected() const { return m_connected; }
    bool IsDatagram() const { return m_type == SocketType::Datagram; }
    const std::string &GetHost() const { return m_host; }
    uint32_t GetPort() const { return m_port; }

    void OnClose(int32_t error) override;
    void OnConnect(int32_t error) override;
    void OnReceive(int32_t error) override;

private:
    bool QueuedBytes(uint32_t &count);

    // The connected flag and the receiver are set on the thread that calls
    // the library and read by the thread that dispatches notifications (or
    // the other way round), so they are atomic.
    std::atomic<WindowHandle> m_receiver{nullptr};
    std::atomic<uint32_t> m_receiverMessage{0};
    SocketType m_type = SocketType::Stream;
    std::atomic<bool> m_connected{false};
    uint32_t m_port = 0;
    std::string m_host;
};

}  // namespace vd::net

#endif
