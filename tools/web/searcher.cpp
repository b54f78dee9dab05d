#include "searcher.h"

#include <algorithm>
#include <chrono>

#include "records.h"

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
    // The fleet database, opened once for every round's devices.
    vdcli::Args args;
    std::string error;
    const vdcli::Printer out("web", true);
    const bool recording = m_memory.Recording("", "", args, error);
    vdcli::Fleet memory(args, out);
    for (;;) {
        const Clock::time_point started = Clock::now();
        const std::vector<vdcli::FoundDevice> found = vdcli::SearchDevices("", SearchWaitMs(m_everySeconds));
        const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
        const int64_t nowMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::system_clock::now().time_since_epoch()).count();
        if (recording) memory.Seen(found);
        // No answer at all is a search too: every device missed it.
        m_fleet.Update(vdcli::FoundJson(found), nowMs / 1000);
        m_counters.Searched(seconds, nowMs);
        m_events.Notify();
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_wake.wait_until(lock, started + std::chrono::seconds(m_everySeconds), [this] { return m_stop; })) return;
    }
}

}  // namespace vdweb
