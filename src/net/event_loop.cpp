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
    m_added.push_back(&exchange);
    if (!running.sockets.empty()) m_withSockets.push_back(&exchange);
}

void EventLoop::Share(ClientSocket &socket, Router &router) { m_shared.push_back({&socket, &router}); }

void EventLoop::Settle(Exchange &exchange, std::vector<Exchange *> &ended) {
    auto it = m_running.find(&exchange);
    if (it == m_running.end()) return;
    Driven &driven = it->second;
    if (!exchange.IsDone() && driven.timer->first == exchange.NextDeadline()) return;
    m_timers.erase(driven.timer);
    if (exchange.IsDone()) {
        if (!driven.sockets.empty()) m_withSockets.erase(std::find(m_withSockets.begin(), m_withSockets.end(), &exchange));
        m_running.erase(it);
        ended.push_back(&exchange);
        return;
    }
    driven.timer = m_timers.emplace(exchange.NextDeadline(), &exchange);
}

void EventLoop::ReadShared(const Shared &shared, std::vector<Exchange *> &ended) {
    uint8_t buffer[kReceiveBuffer];
    char from[16];
    std::vector<Exchange *> to;
    for (int n = 0; n < kMaxDatagramsPerRound; ++n) {
        const int got = shared.socket->ReceiveFrom(buffer, kReceiveBuffer, from, nullptr);
        if (got < 0) break;
        to.clear();
        if (got > 0) shared.router->Route(buffer, got, from, to);
        for (Exchange *exchange : to) {
            if (!m_running.count(exchange)) continue;
            exchange->OnDatagram(0, buffer, got, from);
            Settle(*exchange, ended);
        }
    }
}

std::vector<SocketHandle> EventLoop::Handles(SocketHandle wake,
                                             std::vector<std::pair<Exchange *, size_t>> &owners) const {
    std::vector<SocketHandle> handles;
    for (const Shared &shared : m_shared) handles.push_back(shared.socket->GetHandle());
    for (Exchange *exchange : m_withSockets) {
        const std::vector<ClientSocket *> &sockets = m_running.at(exchange).sockets;
        for (size_t i = 0; i < sockets.size(); ++i) {
            if (sockets[i]->GetHandle() == kInvalidSocket) continue;
            handles.push_back(sockets[i]->GetHandle());
            owners.emplace_back(exchange, i);
        }
    }
    if (wake != kInvalidSocket) handles.push_back(wake);
    return handles;
}

std::vector<Exchange *> EventLoop::Turn(Exchange::TimePoint until, SocketHandle wake) {
    std::vector<Exchange *> ended;
    // One done as soon as it started ends before any wait.
    std::vector<Exchange *> added;
    added.swap(m_added);
    for (Exchange *exchange : added)
        if (exchange->IsDone()) Settle(*exchange, ended);
    if (!ended.empty()) return ended;
    std::vector<std::pair<Exchange *, size_t>> owners;
    const std::vector<SocketHandle> handles = Handles(wake, owners);
    const Exchange::TimePoint first = m_timers.empty() ? until : std::min(until, m_timers.begin()->first);
    std::vector<uint8_t> ready(handles.size());
    WaitForReady(handles.data(), int(handles.size()), CeilMsUntil(first), ready.data());
    for (size_t i = 0; i < m_shared.size(); ++i)
        if (ready[i]) ReadShared(m_shared[i], ended);
    for (size_t i = 0; i < owners.size(); ++i) {
        Exchange *exchange = owners[i].first;
        auto it = m_running.find(exchange);
        if (!ready[m_shared.size() + i] || it == m_running.end()) continue;
        ReadSocket(*exchange, owners[i].second, *it->second.sockets[owners[i].second]);
        Settle(*exchange, ended);
    }
    CallTimersDue(ended);
    return ended;
}

// The timers due now, each called once: one that files a deadline past
// already is called again next turn, after the sockets.
void EventLoop::CallTimersDue(std::vector<Exchange *> &ended) {
    const Exchange::TimePoint now = Clock::now();
    std::vector<Exchange *> due;
    for (auto it = m_timers.begin(); it != m_timers.end() && it->first <= now; ++it) due.push_back(it->second);
    for (Exchange *exchange : due) {
        if (!m_running.count(exchange)) continue;
        exchange->OnTimer(Clock::now());
        Settle(*exchange, ended);
    }
}

}  // namespace vd::net
