// Firmware rollouts: a plan and its devices' states, each change one
// transaction, so a rollout killed at any moment finds on resuming every
// device where its last recorded step left it.
#include "fleet_db.h"
#include "sqlite_statement.h"

namespace vdfleet {

namespace {

// Image paths hold no '*' (the tools refuse one), which joins them here.
std::string Joined(const std::vector<std::string> &paths) {
    std::string out;
    for (const std::string &path : paths) out += (out.empty() ? "" : "*") + path;
    return out;
}

std::vector<std::string> Split(const std::string &text) {
    std::vector<std::string> out;
    for (size_t start = 0; start <= text.size() && !text.empty();) {
        const size_t star = text.find('*', start);
        out.push_back(text.substr(start, star == std::string::npos ? std::string::npos : star - start));
        if (star == std::string::npos) break;
        start = star + 1;
    }
    return out;
}

}  // namespace

bool FleetDb::CreateRollout(RolloutPlan &plan, const std::vector<RolloutDevice> &devices, std::string &error) {
    Transaction tx(m_db, error);
    if (!tx.Begun()) return false;
    Statement add(m_db, "INSERT INTO rollouts (created, images, expect_version, canary, max_failures, state,"
                        " operation) VALUES (?, ?, ?, ?, ?, ?, ?)");
    add.Bind(plan.created).Bind(Joined(plan.images)).Bind(plan.expectVersion).Bind(plan.canary);
    add.Bind(plan.maxFailures).Bind(plan.state).Bind(plan.operation);
    if (!add.Done() && !add.Fine(error)) return false;
    plan.id = sqlite3_last_insert_rowid(m_db);
    Statement device(m_db, "INSERT INTO rollout_devices (rollout, position, ip, type, mac, wave, state, before,"
                           " after, changed) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (const RolloutDevice &d : devices) {
        device.Reset().Bind(plan.id).Bind(d.position).Bind(d.ip).Bind(d.type).Bind(d.mac).Bind(d.wave);
        device.Bind(d.state).Bind(d.before).Bind(d.after).Bind(d.changed);
        if (!device.Done() && !device.Fine(error)) return false;
    }
    return add.Fine(error) && device.Fine(error) && tx.Commit(error);
}

bool FleetDb::SetRolloutState(long long id, const std::string &state, std::string &error) {
    Statement set(m_db, "UPDATE rollouts SET state = ? WHERE id = ?");
    set.Bind(state).Bind(id);
    return set.Done() || set.Fine(error);
}

bool FleetDb::RolloutState(long long id, std::string &state, std::string &error) const {
    Statement get(m_db, "SELECT state FROM rollouts WHERE id = ?");
    get.Bind(id);
    state = get.Step() == SQLITE_ROW ? get.Text(0) : "";
    return get.Fine(error);
}

bool FleetDb::LatestRollout(long long &id, std::string &state, std::string &error) const {
    Statement get(m_db, "SELECT id, state FROM rollouts ORDER BY id DESC LIMIT 1");
    const bool found = get.Step() == SQLITE_ROW;
    id = found ? get.Number(0) : 0;
    state = found ? get.Text(1) : "";
    return get.Fine(error);
}

bool FleetDb::MoveRolloutState(long long id, const std::string &from, const std::string &to, bool &moved,
                               std::string &error) {
    Statement move(m_db, "UPDATE rollouts SET state = ? WHERE id = ? AND state = ?");
    move.Bind(to).Bind(id).Bind(from);
    const bool fine = move.Done() || move.Fine(error);
    moved = fine && sqlite3_changes(m_db) > 0;
    return fine;
}

bool FleetDb::SetRolloutDevice(long long id, const RolloutDevice &d, std::string &error) {
    Statement set(m_db, "UPDATE rollout_devices SET state = ?, before = ?, after = ?, mac = ?, changed = ?"
                        " WHERE rollout = ? AND position = ?");
    set.Bind(d.state).Bind(d.before.substr(0, kMaxText)).Bind(d.after.substr(0, kMaxText));
    set.Bind(d.mac.substr(0, kMaxText)).Bind(d.changed).Bind(id).Bind(d.position);
    return set.Done() || set.Fine(error);
}

bool FleetDb::LastRollout(RolloutPlan &plan, std::vector<RolloutDevice> &devices, std::string &error) const {
    plan = RolloutPlan();
    devices.clear();
    Statement last(m_db, "SELECT id, created, images, expect_version, canary, max_failures, state, operation"
                         " FROM rollouts ORDER BY id DESC LIMIT 1");
    if (last.Step() == SQLITE_ROW) {
        plan.id = last.Number(0);
        plan.created = last.Number(1);
        plan.images = Split(last.Text(2));
        plan.expectVersion = last.Text(3);
        plan.canary = int(last.Number(4));
        plan.maxFailures = last.Text(5);
        plan.state = last.Text(6);
        plan.operation = last.Text(7);
    }
    if (!last.Fine(error) || plan.id == 0) return last.Fine(error);
    Statement rows(m_db, "SELECT position, ip, type, mac, wave, state, before, after, changed"
                         " FROM rollout_devices WHERE rollout = ? ORDER BY position");
    rows.Bind(plan.id);
    while (rows.Step() == SQLITE_ROW) {
        RolloutDevice d;
        d.position = int(rows.Number(0));
        d.ip = rows.Text(1);
        d.type = int(rows.Number(2));
        d.mac = rows.Text(3);
        d.wave = int(rows.Number(4));
        d.state = rows.Text(5);
        d.before = rows.Text(6);
        d.after = rows.Text(7);
        d.changed = rows.Number(8);
        devices.push_back(d);
    }
    return rows.Fine(error);
}

bool FleetDb::RolloutStateCounts(long long id, std::vector<std::pair<std::string, long long>> &counts,
                                 std::string &error) const {
    Statement get(m_db, "SELECT state, COUNT(*) FROM rollout_devices WHERE rollout = ? GROUP BY state");
    get.Bind(id);
    counts.clear();
    while (get.Step() == SQLITE_ROW) counts.emplace_back(get.Text(0), get.Number(1));
    return get.Fine(error);
}

}  // namespace vdfleet
