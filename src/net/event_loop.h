// EventLoop: drives exchanges (net/exchange.h) over the platform's sockets.
// It waits for input on the exchanges' sockets (poll on POSIX, select on
// Windows) no longer than the earliest deadline, hands each exchange every
// datagram queued on its own sockets, and calls the timers that are due. A
// context owns one for its single exchanges (RunUntil); a fleet one for many
// at once (Add and Turn), whose exchanges may share sockets: a router names,
// for each datagram of a shared socket, the exchanges it is for. Either runs
// on the calling thread.
#ifndef VANDREL_NET_EVENT_LOOP_H
#define VANDREL_NET_EVENT_LOOP_H

#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "net/exchange.h"
#include "net/platform.h"

namespace vd::net {

// Hands the datagrams of a socket that many exchanges share to those they
// are for.
class Router {
public:
    virtual ~Router() = default;
    // Appends to to the exchanges that take the datagram (each is then given
    // it); those the loop does not drive are left out.
    virtual void Route(const uint8_t *bytes, int length, const char *from, std::vector<Exchange *> &to) = 0;
};

class EventLoop {
public:
    // Starts exchange and drives it until it is done. Each turn first hands
    // it every datagram queued on its sockets, so one that is done as soon
    // as it starts takes what is queued, once; the timer's turn ends the
    // run at once when it leaves the exchange done.
    void RunUntil(Exchange &exchange);

    // Starts exchange and drives it beside the others added, from the next
    // Turn on; the loop holds it until it ends, and never owns it.
    void Add(Exchange &exchange);
    // From the next Turn on, reads socket (which outlives the loop's turns)
    // and hands each datagram to the exchanges router names.
    void Share(ClientSocket &socket, Router &router);
    // One turn over the exchanges added: waits until one of their sockets
    // (or wake, a handle of the caller's) has input, the earliest deadline
    // comes or until, whichever is first; hands each socket's datagrams to
    // its exchange and calls the timers due. Returns those that ended, which
    // the loop no longer holds; one ending leaves the others running.
    std::vector<Exchange *> Turn(Exchange::TimePoint until, SocketHandle wake = kInvalidSocket);
    size_t Running() const { return m_running.size(); }

private:
    struct Driven {
        std::vector<ClientSocket *> sockets;
        std::multimap<Exchange::TimePoint, Exchange *>::iterator timer;
    };
    struct Shared {
        ClientSocket *socket;
        Router *router;
    };

    // After a call on exchange: ends it when done, else files its deadline.
    void Settle(Exchange &exchange, std::vector<Exchange *> &ended);
    // Hands every datagram queued on the socket to exchange.
    void ReadSocket(Exchange &exchange, size_t socket, ClientSocket &from);
    // Hands every datagram queued on a shared socket to the exchanges its
    // router names.
    void ReadShared(const Shared &shared, std::vector<Exchange *> &ended);
    // The handles to wait on: shared sockets, then the exchanges' own
    // (whose owners go to owners, in the same order), then wake.
    std::vector<SocketHandle> Handles(SocketHandle wake, std::vector<std::pair<Exchange *, size_t>> &owners) const;
    void CallTimersDue(std::vector<Exchange *> &ended);

    // Waits until one of the sockets has input or until comes.
    void WaitForInputUntil(const std::vector<ClientSocket *> &sockets, Exchange::TimePoint until);
    // Reads what is queued on each socket, at most a round's bound of
    // datagrams from each.
    void ReadRound(Exchange &exchange, const std::vector<ClientSocket *> &sockets);

    std::unordered_map<Exchange *, Driven> m_running;
    // Those added since the last turn, and those of the running with sockets
    // of their own: a turn looks at these, not at every exchange.
    std::vector<Exchange *> m_added;
    std::vector<Exchange *> m_withSockets;
    std::vector<Shared> m_shared;
    // The running exchanges by deadline, earliest first.
    std::multimap<Exchange::TimePoint, Exchange *> m_timers;
};

}  // namespace vd::net

#endif
