#include "drift_watch.h"

#include <chrono>

#include "metrics.h"
#include "status.h"
#include "time_text.h"

namespace vdweb {

namespace {

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace

void DriftWatch::Watch(std::string plan, int everySeconds) {
    m_plan = std::move(plan);
    m_everySeconds = everySeconds;
}

void DriftWatch::Start(WorkerSlots &workers, const FleetMemory &memory, Events &events, Counters &counters) {
    if (m_plan.empty()) return;
    m_thread = std::thread([this, &workers, &memory, &events, &counters] { Loop(workers, memory, events, counters); });
}

void DriftWatch::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void DriftWatch::Loop(WorkerSlots &workers, const FleetMemory &memory, Events &events, Counters &counters) {
    using Clock = std::chrono::steady_clock;
    for (;;) {
        const Clock::time_point started = Clock::now();
        const ToolReply reply = Check(workers, memory);
        if (reply.doc.is_object() && reply.doc.contains("wire")) counters.Wire(reply.doc["wire"]);
        Take(reply, NowMs());
        events.Notify();
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_wake.wait_until(lock, started + std::chrono::seconds(m_everySeconds), [this] { return m_stop; })) return;
    }
}

// The reads the check starts take places of their own; RunHere takes the check's.
ToolReply DriftWatch::Check(WorkerSlots &workers, const FleetMemory &memory) const {
    size_t places = 0;
    const std::shared_ptr<void> reads = workers.Take(kDriftReadsAtOnce, places);
    return RunHere(workers, memory.Recorded({"drift", m_plan, "--jobs", std::to_string(places)}, ""));
}

void DriftWatch::Take(const ToolReply &reply, int64_t nowMs) {
    std::vector<Verdict> verdicts;
    const JsonValue &doc = reply.doc;
    // Drift found, none, or some devices not read: a verdict on each device.
    const bool judged = (reply.status == vdcli::kExitOk || reply.status == vdcli::kExitDrift ||
                         reply.status == vdcli::kExitFailed) && doc.contains("devices") && doc["devices"].is_array();
    for (const JsonValue &d : judged ? doc["devices"] : JsonValue::array()) {
        Verdict v{d.value("device", ""), d.value("result", ""), d.value("type", 0), {}};
        for (const JsonValue &k : d.value("keys", JsonValue::array()))
            if (k.value("state", "") == "drift") v.drifted.push_back(k.value("key", ""));
        verdicts.push_back(std::move(v));
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_checkedMs = nowMs;
    m_error = judged ? "" : doc.value("error", "the check failed (exit status " + std::to_string(reply.status) + ")");
    m_verdicts = std::move(verdicts);
}

JsonValue DriftWatch::State() const {
    if (m_plan.empty()) return JsonValue::object({{"plan", nullptr}});
    std::lock_guard<std::mutex> lock(m_mutex);
    JsonValue devices = JsonValue::array();
    for (const Verdict &v : m_verdicts)
        devices.push_back({{"device", v.device}, {"type", v.type}, {"result", v.result}, {"drifted", v.drifted}});
    return JsonValue::object({{"plan", m_plan}, {"every", m_everySeconds},
                              {"checked", m_checkedMs ? JsonValue(vdcli::IsoTime(m_checkedMs)) : JsonValue()},
                              {"error", m_error.empty() ? JsonValue() : JsonValue(m_error)}, {"devices", devices}});
}

void DriftWatch::Render(std::string &out) const {
    if (m_plan.empty()) return;
    AppendFamily(out, "vandrel_config_drift", "gauge",
                 "1 when the device does not hold the drift plan, 0 when it does (the latest check)");
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const Verdict &v : m_verdicts) {
        if (v.result != "drift" && v.result != "in sync") continue;
        out += "vandrel_config_drift{device=\"";
        AppendLabelValue(out, v.device);
        out += "\",type=\"" + std::to_string(v.type) + "\"} " + (v.result == "drift" ? "1\n" : "0\n");
    }
}

}  // namespace vdweb
