#include "core/reply_wait.h"

#include <algorithm>

namespace vd {

namespace {
constexpr std::chrono::milliseconds kPause{200};
constexpr std::chrono::milliseconds kPoll{10};
// A device answers a request within a few milliseconds (a read by IP takes
// about 2 ms more than its pause), well inside the pause after the request:
// a request still unanswered 300 ms after the pause was lost, and is sent
// again. That interval fits six tries into the 2 s wait of a read by IP; at
// 10% loss each way a try fails about one time in five, so six fail
// together about once in 20,000 reads. An answered request never waits for
// it.
constexpr std::chrono::milliseconds kRepeat{300};
}  // namespace

void ReplyWait::Start(TimePoint) {
    m_steps.send();
    // The pause runs from the request's last datagram.
    m_pauseEnd = std::chrono::steady_clock::now() + kPause;
    m_nextRepeat = m_pauseEnd + kRepeat;
    m_end = m_pauseEnd + m_steps.polls * kPoll;
}

void ReplyWait::OnDatagram(size_t socket, const uint8_t *bytes, int length, const char *from) {
    HandlerExchange::OnDatagram(socket, bytes, length, from);
    if (!m_pausing) CheckAnswered();
}

void ReplyWait::CheckAnswered() {
    for (auto &h : m_handlers)
        if (m_steps.done(*h)) {
            m_answered = m_done = true;
            return;
        }
}

void ReplyWait::OnTimer(TimePoint now) {
    if (m_pausing) {
        m_pausing = false;
        CheckAnswered();
        return;
    }
    if (now >= m_end) {
        m_done = true;
        return;
    }
    if (now < m_nextRepeat) return;
    m_steps.repeat(m_end);
    // A repeat whose pacing outlasts an interval takes that interval's turn.
    // The loop reads what came in meanwhile before the wait can end.
    const TimePoint after = std::chrono::steady_clock::now();
    while (m_nextRepeat <= after) m_nextRepeat += kRepeat;
}

net::Exchange::TimePoint ReplyWait::NextDeadline() const {
    if (m_pausing) return m_pauseEnd;
    return std::min(m_nextRepeat, m_end);
}

}  // namespace vd
