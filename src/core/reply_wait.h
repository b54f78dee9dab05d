// ReplyWait: the registry's wait for a device's answer to a read, as an
// exchange. Started, it sends the request; then a pause of 200 ms, in which
// the device answers; then the wait proper, polls x 10 ms, which ends as
// soon as done says a handler holds the answer. A request still unanswered
// 300 ms into the wait was lost: the handlers that took it send again what
// has not been answered, and so every 300 ms up to the wait's end. The end
// is set once, at the start: the time they spend pacing those datagrams
// counts against it, and what does not fit before it is not sent, so a
// silent device gives up after the same time as with no repeats.
#ifndef VANDREL_CORE_REPLY_WAIT_H
#define VANDREL_CORE_REPLY_WAIT_H

#include <functional>

#include "core/handler_exchange.h"

namespace vd {

class ReplyWait : public HandlerExchange {
public:
    struct Steps {
        std::function<void()> send;
        std::function<void(TimePoint until)> repeat;
        std::function<bool(FamilyHandler &)> done;
        int polls = 0;
    };

    ReplyWait(const std::vector<std::unique_ptr<FamilyHandler>> &handlers, Steps steps)
        : HandlerExchange(handlers), m_steps(std::move(steps)) {}

    void Start(TimePoint now) override;
    void OnDatagram(size_t socket, const uint8_t *bytes, int length, const char *from) override;
    void OnTimer(TimePoint now) override;
    TimePoint NextDeadline() const override;
    bool IsDone() const override { return m_done; }
    bool Answered() const { return m_answered; }

private:
    void CheckAnswered();

    Steps m_steps;
    bool m_pausing = true;
    bool m_done = false;
    bool m_answered = false;
    TimePoint m_pauseEnd;
    TimePoint m_nextRepeat;
    TimePoint m_end;
};

}  // namespace vd

#endif
