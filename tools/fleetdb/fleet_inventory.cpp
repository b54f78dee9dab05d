// The inventory: a row per device, by MAC, with the history of the fields
// that a device changes (its address, name and firmware version).
#include "bounded_text.h"
#include "fleet_db.h"
#include "sqlite_statement.h"

namespace vdfleet {

namespace {

SeenDevice Bounded(const SeenDevice &d) { return {Cut(d.mac), Cut(d.ip), Cut(d.version), Cut(d.name), d.type}; }

// The statements of a sighting, prepared once for all the devices of a
// search.
struct Sighting {
    explicit Sighting(sqlite3 *db)
        : find(db, "SELECT ip, version, name, type FROM devices WHERE mac = ?"),
          add(db, "INSERT INTO devices (mac, ip, type, version, name, first_seen, last_seen)"
                  " VALUES (?, ?, ?, ?, ?, ?, ?)"),
          update(db, "UPDATE devices SET ip = ?, type = ?, version = ?, name = ?,"
                     " last_seen = max(last_seen, ?) WHERE mac = ?"),
          change(db, "INSERT INTO device_changes (mac, time, field, before, after) VALUES (?, ?, ?, ?, ?)") {}
    Statement find, add, update, change;
};

// Notes a change of field, when the sighting tells it and it differs from
// a value known before (the first one learnt is no change).
bool NoteChange(Sighting &s, const std::string &mac, Millis now, const char *field, const std::string &before,
                const std::string &after, std::string &error) {
    if (before.empty() || after.empty() || after == before) return true;
    s.change.Reset().Bind(mac).Bind(now).Bind(std::string(field)).Bind(before).Bind(after).Done();
    return s.change.Fine(error);
}

bool RecordOne(Sighting &s, const SeenDevice &d, Millis now, std::string &error) {
    const int found = s.find.Reset().Bind(d.mac).Step();
    if (!s.find.Fine(error)) return false;
    if (found != SQLITE_ROW) {
        s.add.Reset().Bind(d.mac).Bind(d.ip).Bind(d.type).Bind(d.version).Bind(d.name).Bind(now).Bind(now).Done();
        return s.add.Fine(error);
    }
    const SeenDevice was{d.mac, s.find.Text(0), s.find.Text(1), s.find.Text(2), int(s.find.Number(3))};
    if (!NoteChange(s, d.mac, now, "ip", was.ip, d.ip, error) ||
        !NoteChange(s, d.mac, now, "version", was.version, d.version, error) ||
        !NoteChange(s, d.mac, now, "name", was.name, d.name, error))
        return false;
    const auto keep = [](const std::string &now, const std::string &was) { return now.empty() ? was : now; };
    s.update.Reset().Bind(keep(d.ip, was.ip)).Bind(d.type ? d.type : was.type).Bind(keep(d.version, was.version));
    s.update.Bind(keep(d.name, was.name)).Bind(now).Bind(d.mac).Done();
    return s.update.Fine(error);
}

}  // namespace

bool FleetDb::RecordSeen(const std::vector<SeenDevice> &seen, Millis now, std::string &error) {
    Transaction tx(m_db, error);
    if (!tx.Begun()) return false;
    {
        Sighting sighting(m_db);  // finalised before the commit
        for (const SeenDevice &d : seen)
            if (!d.mac.empty() && !RecordOne(sighting, Bounded(d), now, error)) return false;
    }
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
