#include "net/event_loop.h"

#include <algorithm>

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
    for (size_t i = 0; i < sockets.size(); ++i) ReadSocket(exchange, i, *sockets[i]);
}

void EventLoop::ReadSocket(Exchange &exchange, size_t socket, ClientSocket &on) {
    uint8_t buffer[kReceiveBuffer];
    char from[52];
    for (int n = 0; n < kMaxDatagramsPerRound; ++n) {
        from[0] = '\0';
        const int got = on.ReceiveTimed(buffer, kReceiveBuffer, from, 0);
        if (got == 0 || unsigned(got) > unsigned(kReceiveBuffer)) break;
        exchange.OnDatagram(socket, buffer, got, from);
    }
}

void EventLoop::Add(Exchange &exchange) {
    exchange.Start(Clock::now());
    Driven &running = m_running[&exchange];
    running.sockets = exchange.Sockets();
    running.timer = m_timers.emplace(exchange.NextDeadline(), &exchange);
}

void EventLoop::Settle(Exchange &exchange, std::vector<Exchange *> &ended) {
    auto it = m_running.find(&exchange);
    if (it == m_running.end()) return;
    m_timers.erase(it->second.timer);
    if (exchange.IsDone()) {
        m_running.erase(it);
        ended.push_back(&exchange);
        return;
    }
    it->second.timer = m_timers.emplace(exchange.NextDeadline(), &exchange);
}

std::vector<Exchange *> EventLoop::Turn(Exchange::TimePoint until, SocketHandle wake) {
    std::vector<Exchange *> ended;
    // One done as soon as it started ends before any wait.
    for (auto it = m_running.begin(); it != m_running.end();) {
        Exchange *exchange = (it++)->first;
        if (exchange->IsDone()) Settle(*exchange, ended);
    }
    if (!ended.empty()) return ended;
    std::vector<SocketHandle> handles;
    std::vector<std::pair<Exchange *, size_t>> owners;
    for (auto &entry : m_running)
        for (size_t i = 0; i < entry.second.sockets.size(); ++i) {
            if (entry.second.sockets[i]->GetHandle() == kInvalidSocket) continue;
            handles.push_back(entry.second.sockets[i]->GetHandle());
            owners.emplace_back(entry.first, i);
        }
    if (wake != kInvalidSocket) handles.push_back(wake);
    const Exchange::TimePoint first = m_timers.empty() ? until : std::min(until, m_timers.begin()->first);
    std::vector<uint8_t> ready(handles.size());
    WaitForReady(handles.data(), int(handles.size()), CeilMsUntil(first), ready.data());
    for (size_t i = 0; i < owners.size(); ++i) {
        Exchange *exchange = owners[i].first;
        auto it = m_running.find(exchange);
        if (!ready[i] || it == m_running.end()) continue;
        ReadSocket(*exchange, owners[i].second, *it->second.sockets[owners[i].second]);
        Settle(*exchange, ended);
    }
    // The timers due now, each called once: one that files a deadline past
    // already is called again next turn, after the sockets.
    const Exchange::TimePoint now = Clock::now();
    std::vector<Exchange *> due;
    for (auto it = m_timers.begin(); it != m_timers.end() && it->first <= now; ++it) due.push_back(it->second);
    for (Exchange *exchange : due) {
        if (!m_running.count(exchange)) continue;
        exchange->OnTimer(Clock::now());
        Settle(*exchange, ended);
    }
    return ended;
}

}  // namespace vd::net
