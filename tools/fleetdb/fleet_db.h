// The fleet database: what the front ends remember of the devices they see
// and of the writes they make, in one SQLite file that several processes may
// write at once. Every change is one transaction, so a process killed in the
// middle of one leaves the file as it was before it. Device texts are stored
// as the devices gave them, cut to kMaxText bytes; whoever prints them
// escapes them.
#ifndef VANDREL_FLEETDB_FLEET_DB_H
#define VANDREL_FLEETDB_FLEET_DB_H

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct sqlite3;

namespace vdfleet {

// Milliseconds since 1970-01-01 UTC.
using Millis = long long;
Millis Now();

// The longest text kept of a device's or a writer's field, in bytes.
constexpr size_t kMaxText = 256;

// The version of the file's layout that this code makes and reads.
constexpr int kSchemaVersion = 3;

// A device as a search or a read saw it. The MAC address is its identity;
// an empty field is one the sighting does not tell, and leaves what is known.
struct SeenDevice {
    std::string mac, ip, version, name;
    int type = 0;
};

struct InventoryDevice {
    SeenDevice device;
    Millis firstSeen = 0, lastSeen = 0;
};

// A change of a device's "ip", "name" or "version" between two sightings.
struct DeviceChange {
    Millis time = 0;
    std::string field, before, after;
};

// One write to one device: who, through which front end, which key, its
// value before and after (a secret's only as "(changed)"), whether the
// device was seen to hold it, and the operation it belongs to.
struct AuditRow {
    Millis time = 0;
    std::string actor, channel, device, mac, key, before, after, operation;
    bool confirmed = false;
};

struct AuditQuery {
    std::string device;  // "" for every device; else its address or MAC
    Millis since = 0;
    size_t limit = 0;    // 0 for every row; else only the newest limit
};

// A device's settings as one read gave them, keys in the device's order;
// a front end leaves the password out.
struct Snapshot {
    long long id = 0;
    Millis time = 0;
    std::string mac, device;  // device: the address the read named
    int type = 0;
    std::vector<std::pair<std::string, std::string>> settings;
    size_t keys = 0;  // as listed by Snapshots, which leaves settings empty
};

// The snapshots kept of one device (by MAC): a new one beyond it drops the
// oldest.
constexpr size_t kMaxSnapshotsPerDevice = 100;
// The keys kept of one snapshot; a read that gives more keeps the first.
constexpr size_t kMaxSnapshotKeys = 1024;

// A firmware rollout's plan: the images, the version they carry, the
// canary's size and the failures it stands; its state is "running",
// "stopped" (past its failures) or "done"; or, asked of it by the dashboard,
// "pausing" then "paused", "aborting" then "aborted", the running rollout
// taking the second step when it stops before its next wave.
struct RolloutPlan {
    long long id = 0;
    Millis created = 0;
    std::vector<std::string> images;
    std::string expectVersion, maxFailures, state, operation;
    int canary = 1;
};

// One device of a rollout, in its place and wave: "pending", "downloading",
// "restarting", "updated", "failed" or "offline", with the version it had
// before and the one it reported after.
struct RolloutDevice {
    int position = 0, wave = 0, type = 0;
    std::string ip, mac, state, before, after;
    Millis changed = 0;
};
constexpr const char *kRolloutStates[] = {"pending", "downloading", "restarting", "updated", "failed", "offline"};

class FleetDb {
public:
    // Opens (or creates) the file and brings its layout to kSchemaVersion;
    // nullptr with a message in error, which names the file.
    static std::unique_ptr<FleetDb> Open(const std::string &path, std::string &error);
    // False in a build without SQLite, whose Open only says so.
    static bool Available();
    ~FleetDb();
    FleetDb(const FleetDb &) = delete;
    FleetDb &operator=(const FleetDb &) = delete;

    const std::string &Path() const { return m_path; }

    // Inserts or refreshes each device and notes its changes: one
    // transaction for the lot.
    bool RecordSeen(const std::vector<SeenDevice> &seen, Millis now, std::string &error);
    // Appends rows to the audit trail, which is never changed once written.
    bool Append(const std::vector<AuditRow> &rows, std::string &error);
    // Stores snapshots (each needs its MAC), one transaction for the lot.
    bool Keep(const std::vector<Snapshot> &snapshots, std::string &error);

    // Every device ever seen, the longest unseen last.
    bool Inventory(std::vector<InventoryDevice> &out, std::string &error) const;
    // The MAC of the device last seen at ip; "" when none was.
    bool MacAt(const std::string &ip, std::string &mac, std::string &error) const;
    // The changes of one device (by MAC), oldest first.
    bool Changes(const std::string &mac, std::vector<DeviceChange> &out, std::string &error) const;
    // The audit rows the query selects, oldest first.
    bool Audit(const AuditQuery &query, std::vector<AuditRow> &out, std::string &error) const;
    // The snapshots of a device (its address or MAC), newest first, with
    // their number of keys but not the settings.
    bool Snapshots(const std::string &device, std::vector<Snapshot> &out, std::string &error) const;
    // One snapshot whole; false with error "no such snapshot" when none has id.
    bool SnapshotById(long long id, Snapshot &out, std::string &error) const;

    // Records a new rollout and its devices, all pending; plan.id is set.
    bool CreateRollout(RolloutPlan &plan, const std::vector<RolloutDevice> &devices, std::string &error);
    bool SetRolloutState(long long id, const std::string &state, std::string &error);
    // The rollout's state now; "" when there is no such rollout.
    bool RolloutState(long long id, std::string &state, std::string &error) const;
    // The latest rollout's number (0 when there is none) and state, without
    // reading its devices.
    bool LatestRollout(long long &id, std::string &state, std::string &error) const;
    // Moves the rollout from state `from` to `to`, as one step that no other
    // writer can come between; moved tells whether it was in `from`.
    bool MoveRolloutState(long long id, const std::string &from, const std::string &to, bool &moved,
                          std::string &error);
    // Stores the device's state, versions and time, by its place.
    bool SetRolloutDevice(long long id, const RolloutDevice &device, std::string &error);
    // The latest rollout and its devices in their order; plan.id stays 0
    // when there is none.
    bool LastRollout(RolloutPlan &plan, std::vector<RolloutDevice> &devices, std::string &error) const;
    // How many of the rollout's devices are in each state, counted by the
    // database (for a scrape, which needs no row of them).
    bool RolloutStateCounts(long long id, std::vector<std::pair<std::string, long long>> &counts,
                            std::string &error) const;

    // SQLite's own check of the whole file; false with what it found.
    bool Check(std::string &error) const;

private:
    FleetDb(sqlite3 *db, std::string path) : m_db(db), m_path(std::move(path)) {}
    sqlite3 *m_db;
    std::string m_path;
};

// Where a user's front end keeps the file: $XDG_STATE_HOME/vandrel/fleet.db,
// else ~/.local/state/vandrel/fleet.db (on Windows %LOCALAPPDATA%\vandrel);
// "" when the environment names no home.
std::string UserStatePath();

// Creates the folder that holds path, readable by its owner only, when
// missing; false with a message in error.
bool MakeFolderOf(const std::string &path, std::string &error);

}  // namespace vdfleet

#endif
