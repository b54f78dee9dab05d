#include "searcher.h"

#include <algorithm>
#include <chrono>

#include "status.h"
#include "tool_run.h"
#include "vandrel.h"

namespace vdweb {

namespace {

// How long a search collects answers: a second, or less when searches come
// more often than that leaves room for.
int SearchWaitMs(int everySeconds) { return std::min(1000, everySeconds * 500); }

}  // namespace

void Searcher::Start() { m_thread = std::thread([this] { Loop(); }); }

void Searcher::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void Searcher::Loop() {
    using Clock = std::chrono::steady_clock;
    for (;;) {
        const Clock::time_point started = Clock::now();
        const std::vector<std::string> search = {"search", "--wait", std::to_string(SearchWaitMs(m_everySeconds))};
        const ToolReply r = RunTool(m_workers, ToolTask(m_memory.Recorded(search, "")));
        const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
        const int64_t nowMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::system_clock::now().time_since_epoch()).count();
        // No answer at all is a search too: every device missed it.
        const bool none = r.status == vdcli::ExitStatusFor(VD_NO_INFO);
        if (r.status == vdcli::kExitOk || none)
            m_fleet.Update(none ? JsonValue::array() : r.doc.value("devices", JsonValue::array()), nowMs / 1000);
        m_counters.Searched(seconds, nowMs);
        m_events.Notify();
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_wake.wait_until(lock, started + std::chrono::seconds(m_everySeconds), [this] { return m_stop; })) return;
    }
}

}  // namespace vdweb
