// Snapshots: a device's settings as a read gave them, a row for each key,
// the latest kMaxSnapshotsPerDevice of each device kept.
#include "bounded_text.h"
#include "fleet_db.h"
#include "sqlite_statement.h"

namespace vdfleet {

namespace {

// The statements of storing snapshots, prepared once for all of them.
struct Keeping {
    explicit Keeping(sqlite3 *db)
        : add(db, "INSERT INTO snapshots (time, mac, device, type) VALUES (?, ?, ?, ?)"),
          key(db, "INSERT INTO snapshot_settings (snapshot, position, key, value) VALUES (?, ?, ?, ?)"),
          oldest(db, "SELECT id FROM snapshots WHERE mac = ? ORDER BY id DESC LIMIT 1 OFFSET ?"),
          dropKeys(db, "DELETE FROM snapshot_settings WHERE snapshot IN"
                       " (SELECT id FROM snapshots WHERE mac = ? AND id <= ?)"),
          drop(db, "DELETE FROM snapshots WHERE mac = ? AND id <= ?") {}
    Statement add, key, oldest, dropKeys, drop;
};

// Drops the device's snapshots beyond the newest kMaxSnapshotsPerDevice.
bool DropOld(Keeping &k, const std::string &mac, std::string &error) {
    const bool beyond = k.oldest.Reset().Bind(mac).Bind(static_cast<long long>(kMaxSnapshotsPerDevice)).Step() ==
                        SQLITE_ROW;
    const long long last = beyond ? k.oldest.Number(0) : 0;
    k.oldest.Reset();
    if (!k.oldest.Fine(error)) return false;
    if (!beyond) return true;
    k.dropKeys.Reset().Bind(mac).Bind(last).Done();
    k.drop.Reset().Bind(mac).Bind(last).Done();
    return k.dropKeys.Fine(error) && k.drop.Fine(error);
}

bool KeepOne(sqlite3 *db, Keeping &k, const Snapshot &s, std::string &error) {
    const std::string mac = Cut(s.mac);
    k.add.Reset().Bind(s.time).Bind(mac).Bind(Cut(s.device)).Bind(s.type).Done();
    if (!k.add.Fine(error)) return false;
    const long long id = sqlite3_last_insert_rowid(db);
    for (size_t i = 0; i < s.settings.size() && i < kMaxSnapshotKeys; ++i) {
        k.key.Reset().Bind(id).Bind(static_cast<long long>(i)).Bind(Cut(s.settings[i].first));
        k.key.Bind(Cut(s.settings[i].second)).Done();
        if (!k.key.Fine(error)) return false;
    }
    return DropOld(k, mac, error);
}

}  // namespace

bool FleetDb::Keep(const std::vector<Snapshot> &snapshots, std::string &error) {
    Transaction tx(m_db, error);
    if (!tx.Begun()) return false;
    {
        Keeping keeping(m_db);  // finalised before the commit
        for (const Snapshot &s : snapshots)
            if (!s.mac.empty() && !KeepOne(m_db, keeping, s, error)) return false;
    }
    return tx.Commit(error);
}

bool FleetDb::Snapshots(const std::string &device, std::vector<Snapshot> &out, std::string &error) const {
    Statement list(m_db, "SELECT id, time, mac, device, type,"
                         " (SELECT count(*) FROM snapshot_settings WHERE snapshot = snapshots.id)"
                         " FROM snapshots WHERE mac = ? OR device = ? ORDER BY id DESC");
    list.Bind(device).Bind(device);
    out.clear();
    while (list.Step() == SQLITE_ROW) {
        Snapshot s;
        s.id = list.Number(0);
        s.time = list.Number(1);
        s.mac = list.Text(2);
        s.device = list.Text(3);
        s.type = int(list.Number(4));
        s.keys = size_t(list.Number(5));
        out.push_back(s);
    }
    return list.Fine(error);
}

bool FleetDb::SnapshotById(long long id, Snapshot &out, std::string &error) const {
    Statement head(m_db, "SELECT time, mac, device, type FROM snapshots WHERE id = ?");
    const bool found = head.Bind(id).Step() == SQLITE_ROW;
    if (!head.Fine(error)) return false;
    if (!found) {
        error = "no such snapshot";
        return false;
    }
    out = Snapshot{id, head.Number(0), head.Text(1), head.Text(2), int(head.Number(3)), {}, 0};
    Statement keys(m_db, "SELECT key, value FROM snapshot_settings WHERE snapshot = ? ORDER BY position");
    keys.Bind(id);
    while (keys.Step() == SQLITE_ROW) out.settings.emplace_back(keys.Text(0), keys.Text(1));
    out.keys = out.settings.size();
    return keys.Fine(error);
}

}  // namespace vdfleet
