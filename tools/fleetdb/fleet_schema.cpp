#include "fleet_schema.h"

#include "fleet_db.h"
#include "sqlite_statement.h"

namespace vdfleet {

namespace {

// kSteps[n] takes a file of version n to version n + 1.
const char *const kSteps[] = {
    // 1: the inventory, the history of each device's fields, the audit trail.
    "CREATE TABLE devices (mac TEXT PRIMARY KEY, ip TEXT NOT NULL, type INTEGER NOT NULL,"
    "  version TEXT NOT NULL, name TEXT NOT NULL, first_seen INTEGER NOT NULL, last_seen INTEGER NOT NULL);"
    "CREATE INDEX devices_by_ip ON devices (ip);"
    "CREATE TABLE device_changes (id INTEGER PRIMARY KEY, mac TEXT NOT NULL, time INTEGER NOT NULL,"
    "  field TEXT NOT NULL, before TEXT NOT NULL, after TEXT NOT NULL);"
    "CREATE INDEX device_changes_by_mac ON device_changes (mac, id);"
    "CREATE TABLE audit (id INTEGER PRIMARY KEY, time INTEGER NOT NULL, actor TEXT NOT NULL,"
    "  channel TEXT NOT NULL, device TEXT NOT NULL, mac TEXT NOT NULL, key TEXT NOT NULL,"
    "  before TEXT NOT NULL, after TEXT NOT NULL, confirmed INTEGER NOT NULL, operation TEXT NOT NULL);"
    "CREATE INDEX audit_by_device ON audit (device, time);"
    "CREATE INDEX audit_by_mac ON audit (mac, time);"
    "CREATE INDEX audit_by_time ON audit (time);"
    "CREATE TRIGGER audit_kept_as_written BEFORE UPDATE ON audit"
    "  BEGIN SELECT RAISE(ABORT, 'the audit trail is append-only'); END;"
    "CREATE TRIGGER audit_never_deleted BEFORE DELETE ON audit"
    "  BEGIN SELECT RAISE(ABORT, 'the audit trail is append-only'); END;",
    // 2: snapshots of a device's settings, a row for each key.
    "CREATE TABLE snapshots (id INTEGER PRIMARY KEY, time INTEGER NOT NULL, mac TEXT NOT NULL,"
    "  device TEXT NOT NULL, type INTEGER NOT NULL);"
    "CREATE INDEX snapshots_by_mac ON snapshots (mac, id);"
    "CREATE INDEX snapshots_by_device ON snapshots (device, id);"
    "CREATE TABLE snapshot_settings (snapshot INTEGER NOT NULL, position INTEGER NOT NULL, key TEXT NOT NULL,"
    "  value TEXT NOT NULL, PRIMARY KEY (snapshot, position)) WITHOUT ROWID;",
    // 3: firmware rollouts, their plans and each device's state.
    "CREATE TABLE rollouts (id INTEGER PRIMARY KEY, created INTEGER NOT NULL, images TEXT NOT NULL,"
    "  expect_version TEXT NOT NULL, canary INTEGER NOT NULL, max_failures TEXT NOT NULL,"
    "  state TEXT NOT NULL, operation TEXT NOT NULL);"
    "CREATE TABLE rollout_devices (rollout INTEGER NOT NULL REFERENCES rollouts (id), position INTEGER NOT NULL,"
    "  ip TEXT NOT NULL, type INTEGER NOT NULL, mac TEXT NOT NULL, wave INTEGER NOT NULL, state TEXT NOT NULL,"
    "  before TEXT NOT NULL, after TEXT NOT NULL, changed INTEGER NOT NULL, PRIMARY KEY (rollout, position));",
};
static_assert(sizeof kSteps / sizeof kSteps[0] == kSchemaVersion, "a step for every version");

}  // namespace

bool Migrate(sqlite3 *db, std::string &error) {
    Transaction tx(db, error);
    if (!tx.Begun()) return false;
    Statement read(db, "PRAGMA user_version");
    const int version = read.Step() == SQLITE_ROW ? int(read.Number(0)) : -1;
    if (!read.Fine(error)) return false;
    if (version > kSchemaVersion) {
        error = "its layout is version " + std::to_string(version) + ", newer than this vandrel's (" +
                std::to_string(kSchemaVersion) + ")";
        return false;
    }
    if (version == kSchemaVersion) return true;
    for (int v = version; v < kSchemaVersion; ++v)
        if (!Exec(db, kSteps[v], error)) return false;
    const std::string mark = "PRAGMA user_version = " + std::to_string(kSchemaVersion);
    return Exec(db, mark.c_str(), error) && tx.Commit(error);
}

}  // namespace vdfleet
