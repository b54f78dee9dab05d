// EventLoop: drives exchanges (net/exchange.h) over the platform's sockets.
// It waits for input on an exchange's sockets (WaitForInput: poll on POSIX,
// select on Windows) no longer than the exchange's next deadline, hands it
// every datagram queued, and calls its timer when that deadline comes. A
// context owns one; RunUntil runs on the calling thread.
#ifndef VANDREL_NET_EVENT_LOOP_H
#define VANDREL_NET_EVENT_LOOP_H

#include "net/exchange.h"

namespace vd::net {

class EventLoop {
public:
    // Starts exchange and drives it until it is done. Each turn first hands
    // it every datagram queued on its sockets, so one that is done as soon
    // as it starts takes what is queued, once; the timer's turn ends the
    // run at once when it leaves the exchange done.
    void RunUntil(Exchange &exchange);

private:
    // Waits until one of the sockets has input or until comes.
    void WaitForInputUntil(const std::vector<ClientSocket *> &sockets, Exchange::TimePoint until);
    // Reads what is queued on each socket, at most a round's bound of
    // datagrams from each.
    void ReadRound(Exchange &exchange, const std::vector<ClientSocket *> &sockets);
};

}  // namespace vd::net

#endif
