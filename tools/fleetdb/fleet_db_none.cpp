// The fleet database of a build without SQLite: it cannot be opened, and
// says why.
#include <chrono>

#include "fleet_db.h"

namespace vdfleet {

Millis Now() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

bool FleetDb::Available() { return false; }

std::unique_ptr<FleetDb> FleetDb::Open(const std::string &, std::string &error) {
    error = "this vandrel was built without SQLite, so it keeps no fleet database";
    return nullptr;
}

FleetDb::~FleetDb() = default;

// No FleetDb is ever made, so these are never called.
bool FleetDb::RecordSeen(const std::vector<SeenDevice> &, Millis, std::string &) { return false; }
bool FleetDb::Append(const std::vector<AuditRow> &, std::string &) { return false; }
bool FleetDb::Keep(const std::vector<Snapshot> &, std::string &) { return false; }
bool FleetDb::Inventory(std::vector<InventoryDevice> &, std::string &) const { return false; }
bool FleetDb::MacAt(const std::string &, std::string &, std::string &) const { return false; }
bool FleetDb::Changes(const std::string &, std::vector<DeviceChange> &, std::string &) const { return false; }
bool FleetDb::Audit(const AuditQuery &, std::vector<AuditRow> &, std::string &) const { return false; }
bool FleetDb::Snapshots(const std::string &, std::vector<Snapshot> &, std::string &) const { return false; }
bool FleetDb::SnapshotById(long long, Snapshot &, std::string &) const { return false; }
bool FleetDb::Check(std::string &) const { return false; }
bool FleetDb::CreateRollout(RolloutPlan &, const std::vector<RolloutDevice> &, std::string &) { return false; }
bool FleetDb::SetRolloutState(long long, const std::string &, std::string &) { return false; }
bool FleetDb::RolloutState(long long, std::string &, std::string &) const { return false; }
bool FleetDb::LatestRollout(long long &, std::string &, std::string &) const { return false; }
bool FleetDb::MoveRolloutState(long long, const std::string &, const std::string &, bool &, std::string &) {
    return false;
}
bool FleetDb::SetRolloutDevice(long long, const RolloutDevice &, std::string &) { return false; }
bool FleetDb::LastRollout(RolloutPlan &, std::vector<RolloutDevice> &, std::string &) const { return false; }
bool FleetDb::RolloutStateCounts(long long, std::vector<std::pair<std::string, long long>> &, std::string &) const {
    return false;
}

}  // namespace vdfleet
