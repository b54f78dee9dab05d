// The dashboard's scheduled drift check (--drift-plan, --drift-every): the
// tool's own 'vandrel drift PLAN' in this process, again and again, its
// verdict on each device of the plan kept for the page's drift column (GET
// /api/drift) and for /metrics (vandrel_config_drift). Its reads record in
// the fleet database as the dashboard's other operations do, snapshots too;
// what the wire made its reads do twice adds to /metrics' wire counts.
#ifndef VANDREL_WEB_DRIFT_WATCH_H
#define VANDREL_WEB_DRIFT_WATCH_H

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "events.h"
#include "fleet_memory.h"
#include "metrics.h"
#include "tool_run.h"

namespace vdweb {

// Devices a check reads at once, in places of the workers' beside its own.
constexpr size_t kDriftReadsAtOnce = 8;
constexpr long long kDefaultDriftEverySeconds = 600;

class DriftWatch {
public:
    ~DriftWatch() { Stop(); }
    // Checks plan (an absolute path) every so many seconds, from Start.
    void Watch(std::string plan, int everySeconds);
    void Start(WorkerSlots &workers, const FleetMemory &memory, Events &events, Counters &counters);
    void Stop();  // lets a check under way finish

    // {"plan", "every", "checked" (UTC time, or null before the first),
    // "error" (why the latest check gave no verdict, or null), "devices":
    // [{"device", "type", "result", "drifted": [KEY...]}]}; {"plan": null}
    // when there is no plan.
    JsonValue State() const;
    // vandrel_config_drift, a series a device of the plan that was read:
    // 1 drifted, 0 in sync; nothing without a plan.
    void Render(std::string &out) const;

private:
    struct Verdict {
        std::string device, result;
        int type = 0;
        std::vector<std::string> drifted;
    };
    void Loop(WorkerSlots &workers, const FleetMemory &memory, Events &events, Counters &counters);
    ToolReply Check(WorkerSlots &workers, const FleetMemory &memory) const;
    void Take(const ToolReply &reply, int64_t nowMs);

    std::string m_plan;
    int m_everySeconds = 0;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    int64_t m_checkedMs = 0;
    std::string m_error;
    std::vector<Verdict> m_verdicts;
    std::thread m_thread;
};

}  // namespace vdweb

#endif
