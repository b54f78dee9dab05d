// Exchange: one request/reply protocol run as a state machine, which an
// event loop (net/event_loop.h) drives. It sends when started, takes each
// datagram that arrives on its sockets, and is called on its timer to send
// again, move on or end; it never sleeps or reads a socket itself. What the
// bytes mean, and which of them are its replies, is the exchange's.
#ifndef VANDREL_NET_EXCHANGE_H
#define VANDREL_NET_EXCHANGE_H

#include <chrono>
#include <cstdint>
#include <vector>

namespace vd::net {

class ClientSocket;

class Exchange {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~Exchange() = default;

    // The sockets whose datagrams it takes: asked once it has started (its
    // request may choose them), the same for the rest of its run.
    virtual std::vector<ClientSocket *> Sockets() = 0;
    // Sends its request; now is when it begins.
    virtual void Start(TimePoint now) = 0;
    // A datagram that arrived on Sockets()[socket] from the address from
    // (dotted, never null).
    virtual void OnDatagram(size_t socket, const uint8_t *bytes, int length, const char *from) = 0;
    // Called once NextDeadline has come: sends again, moves on or ends.
    virtual void OnTimer(TimePoint now) = 0;
    // When the timer is next due.
    virtual TimePoint NextDeadline() const = 0;
    // True once it has ended, answered or not; the loop then stops driving it.
    virtual bool IsDone() const = 0;
};

}  // namespace vd::net

#endif
