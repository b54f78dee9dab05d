// The inventory: a row per device, by MAC, with the history of the fields
// that a device changes (its address, name and firmware version).
#include "fleet_db.h"
#include "sqlite_statement.h"

namespace vdfleet {

namespace {

std::string Cut(const std::string &text) { return text.substr(0, kMaxText); }

SeenDevice Bounded(const SeenDevice &d) { return {Cut(d.mac), Cut(d.ip), Cut(d.version), Cut(d.name), d.type}; }

// Notes a change of field, when the sighting tells it and it differs from
// a value known before (the first one learnt is no change).
bool NoteChange(sqlite3 *db, const std::string &mac, Millis now, const char *field, const std::string &before,
                const std::string &after, std::string &error) {
    if (before.empty() || after.empty() || after == before) return true;
    Statement add(db, "INSERT INTO device_changes (mac, time, field, before, after) VALUES (?, ?, ?, ?, ?)");
    add.Bind(mac).Bind(now).Bind(std::string(field)).Bind(before).Bind(after).Done();
    return add.Fine(error);
}

bool RecordOne(sqlite3 *db, const SeenDevice &d, Millis now, std::string &error) {
    Statement find(db, "SELECT ip, version, name, type FROM devices WHERE mac = ?");
    const int found = find.Bind(d.mac).Step();
    if (!find.Fine(error)) return false;
    if (found != SQLITE_ROW) {
        Statement add(db, "INSERT INTO devices (mac, ip, type, version, name, first_seen, last_seen)"
                          " VALUES (?, ?, ?, ?, ?, ?, ?)");
        add.Bind(d.mac).Bind(d.ip).Bind(d.type).Bind(d.version).Bind(d.name).Bind(now).Bind(now).Done();
        return add.Fine(error);
    }
    const SeenDevice was{d.mac, find.Text(0), find.Text(1), find.Text(2), int(find.Number(3))};
    if (!NoteChange(db, d.mac, now, "ip", was.ip, d.ip, error) ||
        !NoteChange(db, d.mac, now, "version", was.version, d.version, error) ||
        !NoteChange(db, d.mac, now, "name", was.name, d.name, error))
        return false;
    const auto keep = [](const std::string &now, const std::string &was) { return now.empty() ? was : now; };
    Statement update(db, "UPDATE devices SET ip = ?, type = ?, version = ?, name = ?,"
                         " last_seen = max(last_seen, ?) WHERE mac = ?");
    update.Bind(keep(d.ip, was.ip)).Bind(d.type ? d.type : was.type).Bind(keep(d.version, was.version));
    update.Bind(keep(d.name, was.name)).Bind(now).Bind(d.mac).Done();
    return update.Fine(error);
}

}  // namespace

bool FleetDb::RecordSeen(const std::vector<SeenDevice> &seen, Millis now, std::string &error) {
    Transaction tx(m_db, error);
    if (!tx.Begun()) return false;
    for (const SeenDevice &d : seen)
        if (!d.mac.empty() && !RecordOne(m_db, Bounded(d), now, error)) return false;
    return tx.Commit(error);
}

bool FleetDb::Inventory(std::vector<InventoryDevice> &out, std::string &error) const {
    Statement all(m_db, "SELECT mac, ip, version, name, type, first_seen, last_seen FROM devices"
                        " ORDER BY last_seen DESC, mac");
    out.clear();
    while (all.Step() == SQLITE_ROW)
        out.push_back({{all.Text(0), all.Text(1), all.Text(2), all.Text(3), int(all.Number(4))},
                       all.Number(5),
                       all.Number(6)});
    return all.Fine(error);
}

bool FleetDb::MacAt(const std::string &ip, std::string &mac, std::string &error) const {
    Statement find(m_db, "SELECT mac FROM devices WHERE ip = ? ORDER BY last_seen DESC LIMIT 1");
    mac = find.Bind(ip).Step() == SQLITE_ROW ? find.Text(0) : "";
    return find.Fine(error);
}

bool FleetDb::Changes(const std::string &mac, std::vector<DeviceChange> &out, std::string &error) const {
    Statement changes(m_db, "SELECT time, field, before, after FROM device_changes WHERE mac = ? ORDER BY id");
    changes.Bind(mac);
    out.clear();
    while (changes.Step() == SQLITE_ROW)
        out.push_back({changes.Number(0), changes.Text(1), changes.Text(2), changes.Text(3)});
    return changes.Fine(error);
}

}  // namespace vdfleet
