#include "rollout_wave.h"

#include "device.h"
#include "rollout_rules.h"

namespace vdcli {

namespace {

// A download ends by itself when the device falls silent; this bounds one
// that keeps answering slowly.
constexpr uint32_t kDownloadDeadlineMs = 300000;
constexpr int kVersionSearchMs = 1000;

std::string Value(VF_Fleet *vf, VF_Op op, const char *key) {
    char value[VD_VALUE_LEN] = "";
    VF_GetValue(vf, op, key, value);
    return value;
}

Target TargetOf(const vdfleet::RolloutDevice &d) {
    Target t;
    t.addr.text = d.ip;
    t.type = d.type;
    return t;
}

}  // namespace

bool WaveRun::Set(vdfleet::RolloutDevice &d, const std::string &state, std::string &error) {
    d.state = state;
    d.changed = vdfleet::Now();
    if (state == "updated" || state == "failed" || state == "offline")
        m_out.Line(d.ip + ": " + state + (d.after.empty() ? "" : ", reports " + d.after) +
                   (d.before.empty() ? "" : " (was " + d.before + ")"));
    return m_rollout.db.SetRolloutDevice(m_rollout.plan.id, d, error);
}

bool WaveRun::Prepare(vdfleet::RolloutDevice &d, std::string &error) {
    Address addr{false, d.ip};
    const std::vector<FoundDevice> found = SearchDevices(d.ip, kVersionSearchMs, &addr);
    int version = 0;
    if (found.empty() || !ParseVersion(found[0].version, version)) {
        d.after.clear();
        return Set(d, "offline", error);
    }
    d.before = VersionText(version);
    d.mac = found[0].mac;
    if (version == m_rollout.expected) {
        d.after = d.before;
        return Set(d, "updated", error);
    }
    if (version > m_rollout.expected && !m_rollout.allowDowngrade) {
        d.after = d.before;
        return Set(d, "failed", error);
    }
    return Download(d, error);
}

bool WaveRun::Download(vdfleet::RolloutDevice &d, std::string &error) {
    if (!Set(d, "downloading", error)) return false;
    std::vector<const char *> paths;
    for (const std::string &image : m_rollout.plan.images) paths.push_back(image.c_str());
    const VF_Op op = VF_Download(m_vf, d.ip.c_str(), d.type, paths.data(), uint32_t(paths.size()),
                                 kDownloadDeadlineMs);
    if (op == 0) error = "the fleet interface refused the download to " + d.ip;
    m_running[op] = &d;
    return op != 0;
}

bool WaveRun::Restart(vdfleet::RolloutDevice &d, std::string &error) {
    if (!Set(d, "restarting", error)) return false;
    const VF_Op op = VF_Restart(m_vf, d.ip.c_str(), d.type, uint32_t(m_rollout.restartWaitMs));
    if (op == 0) error = "the fleet interface refused the restart of " + d.ip;
    m_running[op] = &d;
    return op != 0;
}

bool WaveRun::Ended(VF_Op op, int32_t result, std::string &error) {
    vdfleet::RolloutDevice &d = *m_running[op];
    m_running.erase(op);
    const std::string after = Value(m_vf, op, "VERSION");
    VF_Release(m_vf, op);
    if (d.state == "downloading") {
        vdfleet::AuditRow row;
        row.key = "DOWNLOAD";
        for (const std::string &image : m_rollout.plan.images) row.after += (row.after.empty() ? "" : "*") + image;
        row.confirmed = result == VD_OK;
        row.operation = m_rollout.plan.operation;
        m_rollout.fleet.Audit(TargetOf(d), d.mac, {row});
        return result == VD_OK ? Restart(d, error) : Set(d, "failed", error);
    }
    int version = -1;
    d.after = ParseVersion(after, version) ? VersionText(version) : "";
    return Set(d, result == VD_OK && version == m_rollout.expected ? "updated" : "failed", error);
}

void VF_CALL WaveRun::Told(void *user, VF_Op op, int32_t) {
    WaveRun &run = *static_cast<WaveRun *>(user);
    std::lock_guard<std::mutex> lock(run.m_lock);
    run.m_ended.push_back(op);
    run.m_told.notify_one();
}

VF_Op WaveRun::NextEnded() {
    std::unique_lock<std::mutex> lock(m_lock);
    m_told.wait(lock, [this] { return !m_ended.empty(); });
    const VF_Op op = m_ended.front();
    m_ended.pop_front();
    return op;
}

bool WaveRun::Run(int wave, std::string &error) {
    m_vf = VF_Create(Told, this);
    if (!m_vf) {
        error = "the fleet interface cannot start";
        return false;
    }
    bool fine = true;
    for (vdfleet::RolloutDevice &d : m_rollout.devices) {
        if (d.wave != wave || !fine) continue;
        if (d.state == "pending" || d.state == "offline") fine = Prepare(d, error);
        else if (d.state == "downloading") fine = Download(d, error);
        else if (d.state == "restarting") fine = Restart(d, error);
    }
    while (fine && !m_running.empty()) {
        const VF_Op op = NextEnded();
        fine = Ended(op, VF_Result(m_vf, op), error);
    }
    // A download dropped mid-way would leave its device without its images
    // whole: what runs ends first, even when its end cannot be recorded.
    for (const auto &running : m_running) VF_Wait(m_vf, running.first, kDownloadDeadlineMs);
    VF_Destroy(m_vf);
    m_vf = nullptr;
    return fine;
}

}  // namespace vdcli
