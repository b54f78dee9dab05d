#include "net/event_loop.h"

#include "net/client_socket.h"

namespace vd::net {

namespace {
constexpr int kReceiveBuffer = 2048;
// A round reads at most this many datagrams from a socket, more than the
// widest receive queue holds, so that a peer that sends faster than the
// library reads holds no call for ever.
constexpr int kMaxDatagramsPerRound = 65536;

using Clock = std::chrono::steady_clock;

// Whole milliseconds until when, rounded up so that a wait never ends
// before it.
int CeilMsUntil(Exchange::TimePoint when) {
    const auto left = when - Clock::now();
    if (left <= Clock::duration::zero()) return 0;
    return int(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}
}  // namespace

void EventLoop::RunUntil(Exchange &exchange) {
    exchange.Start(Clock::now());
    const std::vector<ClientSocket *> sockets = exchange.Sockets();
    for (;;) {
        ReadRound(exchange, sockets);
        if (exchange.IsDone()) return;
        const Exchange::TimePoint deadline = exchange.NextDeadline();
        if (Clock::now() < deadline) {
            WaitForInputUntil(sockets, deadline);
            continue;
        }
        exchange.OnTimer(Clock::now());
        if (exchange.IsDone()) return;
    }
}

void EventLoop::WaitForInputUntil(const std::vector<ClientSocket *> &sockets, Exchange::TimePoint until) {
    std::vector<SocketHandle> handles;
    for (ClientSocket *socket : sockets)
        if (socket->GetHandle() != kInvalidSocket) handles.push_back(socket->GetHandle());
    WaitForInput(handles.data(), int(handles.size()), CeilMsUntil(until));
}

void EventLoop::ReadRound(Exchange &exchange, const std::vector<ClientSocket *> &sockets) {
    uint8_t buffer[kReceiveBuffer];
    char from[52];
    for (size_t i = 0; i < sockets.size(); ++i) {
        for (int n = 0; n < kMaxDatagramsPerRound; ++n) {
            from[0] = '\0';
            const int got = sockets[i]->ReceiveTimed(buffer, kReceiveBuffer, from, 0);
            if (got == 0 || unsigned(got) > unsigned(kReceiveBuffer)) break;
            exchange.OnDatagram(i, buffer, got, from);
        }
    }
}

}  // namespace vd::net
