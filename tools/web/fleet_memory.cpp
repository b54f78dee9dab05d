#include "fleet_memory.h"

#include <algorithm>
#include <cstdlib>

#include "codec/codec.h"
#include "fleet_choice.h"
#include "metrics.h"
#include "options.h"
#include "records.h"
#include "rollout_rules.h"
#include "run_lock.h"
#include "users_file.h"

namespace vdweb {

namespace {

constexpr char kChannel[] = "web";

// The first of systemd's state folders (a list separated by ':'), else the
// user's own state folder, as the tool's.
std::string DefaultPath() {
    const char *state = std::getenv("STATE_DIRECTORY");
    if (!state || *state != '/') return vdfleet::UserStatePath();
    const std::string first = state;
    return first.substr(0, first.find(':')) + "/fleet.db";
}

}  // namespace

void FleetMemory::Open(const vdcli::Args &args, const vdcli::Printer &out) {
    std::string error;
    bool isDefault = false, off = false;
    const std::string path = vdcli::ChosenDb(args, DefaultPath(), error, isDefault, off);
    if (!path.empty() && (!isDefault || vdfleet::MakeFolderOf(path, error))) m_db = vdfleet::FleetDb::Open(path, error);
    if (!m_db && !off) out.Note("vandrel web: warning: " + error + "; going on without it");
}

std::vector<std::string> FleetMemory::Recorded(std::vector<std::string> args, const std::string &user,
                                               const std::string &operation) const {
    std::vector<std::string> added = {"--channel=" + std::string(kChannel),
                                      "--actor=" + (IsUserName(user) ? user : std::string(kChannel))};
    added.push_back(m_db ? "--db=" + m_db->Path() : "--no-db");
    if (!operation.empty()) added.push_back("--operation=" + operation);
    args.insert(std::find(args.begin(), args.end(), "--"), added.begin(), added.end());
    return args;
}

bool FleetMemory::Recording(const std::string &user, const std::string &operation, vdcli::Args &out,
                            std::string &error) const {
    return vdcli::ParseFleetArgs(Recorded({}, user, operation), out, error);
}

bool FleetMemory::Audit(const vdfleet::AuditQuery &query, std::vector<vdfleet::AuditRow> &rows,
                        std::string &error) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_db) return m_db->Audit(query, rows, error);
    error = "the dashboard runs without a fleet database (--no-db, or it could not be opened)";
    return false;
}

bool FleetMemory::Known(std::vector<SeenDevice> &devices, std::string &error) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<vdfleet::InventoryDevice> inventory;
    if (m_db && !m_db->Inventory(inventory, error)) return false;
    for (const vdfleet::InventoryDevice &i : inventory) {
        SeenDevice d;
        d.ip = i.device.ip;
        d.mac = i.device.mac;
        d.family = vd::IsFamilyA(i.device.type) ? "A" : vd::IsFamilyB(i.device.type) ? "B" : "?";
        d.version = i.device.version;
        d.type = i.device.type;
        d.name = i.device.name;
        d.lastSeen = i.lastSeen / 1000;
        devices.push_back(d);
    }
    return true;
}

bool FleetMemory::LastRollout(vdfleet::RolloutPlan &plan, std::vector<vdfleet::RolloutDevice> &devices,
                              std::string &error) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_db) error = "no fleet database (--db FILE)";
    return m_db && m_db->LastRollout(plan, devices, error);
}

bool FleetMemory::MoveRollout(long long id, RolloutMoves running, RolloutMoves idle, bool &latest, bool &moved,
                              std::string &state, std::string &error) {
    std::lock_guard<std::mutex> lock(m_mutex);
    latest = moved = false;
    if (!m_db) {
        error = "no fleet database (--db FILE)";
        return false;
    }
    const vdcli::RunLock runner(vdcli::RolloutLockFile(m_db->Path()));
    if (runner.Taken() == vdcli::RunLock::State::Failed) {
        error = runner.Error();
        return false;
    }
    long long newest = 0;
    if (!m_db->LatestRollout(newest, state, error)) return false;
    latest = newest == id;
    for (const auto &move : runner.Taken() == vdcli::RunLock::State::Busy ? running : idle) {
        if (!latest || moved) break;
        if (!m_db->MoveRolloutState(id, move.first, move.second, moved, error)) return false;
        if (moved) state = move.second;
    }
    // Not moved: the state it is in now, which may have changed meanwhile.
    return moved || !latest || m_db->RolloutState(id, state, error);
}

void FleetMemory::RenderRollout(std::string &out) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    long long id = 0;
    std::string state, error;
    std::vector<std::pair<std::string, long long>> counts;
    if (!m_db || !m_db->LatestRollout(id, state, error) || id == 0 || !m_db->RolloutStateCounts(id, counts, error))
        return;
    const std::string rollout = "{rollout=\"" + std::to_string(id) + "\"";
    AppendFamily(out, "vandrel_rollout_stopped", "gauge",
                 "1 when the latest firmware rollout stopped past its failures, else 0");
    out += "vandrel_rollout_stopped" + rollout + (state == "stopped" ? "} 1\n" : "} 0\n");
    AppendFamily(out, "vandrel_rollout_devices", "gauge", "the latest firmware rollout's devices, by state");
    for (const char *known : vdfleet::kRolloutStates) {
        long long n = 0;
        for (const auto &c : counts) n += c.first == known ? c.second : 0;
        out += "vandrel_rollout_devices" + rollout + ",state=\"" + known + "\"} " + std::to_string(n) + "\n";
    }
}

}  // namespace vdweb
