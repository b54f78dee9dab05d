// inventory, history and snapshots: what the fleet database remembers of the
// devices the tool saw, of the writes made to them and of their settings.
#include <algorithm>

#include "commands.h"
#include "fleet.h"
#include "status.h"
#include "time_text.h"

namespace vdcli {

namespace {

std::string OrDash(const std::string &text) { return text.empty() ? "-" : text; }

// The database to read; false with the exit status when there is none.
vdfleet::FleetDb *Readable(Fleet &fleet, const Printer &out, int &status) {
    std::string error;
    vdfleet::FleetDb *db = fleet.Db(error);
    if (!db) status = out.Fail(error, 0, kExitFailed);
    return db;
}

JsonValue ChangesJson(const std::vector<vdfleet::DeviceChange> &changes) {
    JsonValue list = JsonValue::array();
    for (const vdfleet::DeviceChange &c : changes)
        list.push_back(JsonValue::object(
            {{"time", IsoTime(c.time)}, {"field", c.field}, {"before", c.before}, {"after", c.after}}));
    return list;
}

int RunInventory(const Args &args, const Printer &out) {
    Fleet fleet(args, out);
    int status = 0;
    vdfleet::FleetDb *db = Readable(fleet, out, status);
    if (!db) return status;
    std::vector<vdfleet::InventoryDevice> devices;
    std::string error;
    if (!db->Inventory(devices, error)) return out.Fail(db->Path() + ": " + error, 0, kExitFailed);
    const long long now = vdfleet::Now();
    JsonValue list = JsonValue::array();
    std::vector<Row> rows;
    for (const vdfleet::InventoryDevice &i : devices) {
        const vdfleet::SeenDevice &d = i.device;
        std::vector<vdfleet::DeviceChange> changes;
        if (!db->Changes(d.mac, changes, error)) return out.Fail(db->Path() + ": " + error, 0, kExitFailed);
        list.push_back(JsonValue::object({{"mac", d.mac}, {"ip", d.ip}, {"type", d.type}, {"name", d.name},
                                          {"version", d.version}, {"first_seen", IsoTime(i.firstSeen)},
                                          {"last_seen", IsoTime(i.lastSeen)},
                                          {"seen_seconds_ago", (now - i.lastSeen) / 1000},
                                          {"changes", ChangesJson(changes)}}));
        rows.push_back({d.mac, OrDash(d.ip), d.type ? DescribeType(d.type) : "-", OrDash(d.name), OrDash(d.version),
                        IsoTime(i.firstSeen), Ago(i.lastSeen, now), std::to_string(changes.size())});
    }
    out.Document(JsonValue::object({{"database", db->Path()}, {"devices", list}}));
    out.Table({"MAC", "IP", "TYPE", "NAME", "VERSION", "FIRST SEEN", "LAST SEEN", "CHANGES"}, rows);
    out.Line(std::to_string(devices.size()) + (devices.size() == 1 ? " device" : " devices") + " in " + db->Path());
    return kExitOk;
}

int RunHistory(const Args &args, const Printer &out) {
    vdfleet::AuditQuery query;
    if (!args.Positionals().empty()) query.device = args.Positionals()[0];
    if (args.Has("--since") && !ParseSince(args.Value("--since"), vdfleet::Now(), query.since))
        return out.Fail("--since takes 30m, 2h, 7d or a UTC date such as 2026-12-07T07:30", 0, kExitUsage);
    Fleet fleet(args, out);
    int status = 0;
    vdfleet::FleetDb *db = Readable(fleet, out, status);
    if (!db) return status;
    std::vector<vdfleet::AuditRow> rows;
    std::string error;
    if (!db->Audit(query, rows, error)) return out.Fail(db->Path() + ": " + error, 0, kExitFailed);
    JsonValue list = JsonValue::array();
    std::vector<Row> table;
    for (const vdfleet::AuditRow &r : rows) {
        list.push_back(JsonValue::object({{"time", IsoTime(r.time)}, {"actor", r.actor}, {"channel", r.channel},
                                          {"device", r.device}, {"mac", r.mac}, {"key", r.key},
                                          {"before", r.before}, {"after", r.after}, {"confirmed", r.confirmed},
                                          {"operation", r.operation}}));
        table.push_back({IsoTime(r.time), r.actor, r.channel, r.device, r.key, OrDash(r.before), OrDash(r.after),
                         r.confirmed ? "yes" : "no", r.operation});
    }
    out.Document(JsonValue::object({{"database", db->Path()}, {"writes", list}}));
    out.Table({"TIME", "ACTOR", "CHANNEL", "DEVICE", "KEY", "BEFORE", "AFTER", "CONFIRMED", "OPERATION"}, table);
    return kExitOk;
}

JsonValue SnapshotJson(const vdfleet::Snapshot &s) {
    return JsonValue::object({{"id", s.id}, {"time", IsoTime(s.time)}, {"device", s.device}, {"mac", s.mac},
                              {"type", s.type}, {"keys", s.keys}});
}

// The snapshots of a device, newest first.
int ListSnapshots(const vdfleet::FleetDb &db, const std::vector<vdfleet::Snapshot> &all, const Printer &out) {
    JsonValue list = JsonValue::array();
    std::vector<Row> rows;
    for (const vdfleet::Snapshot &s : all) {
        list.push_back(SnapshotJson(s));
        rows.push_back({std::to_string(s.id), IsoTime(s.time), s.device, s.mac, DescribeType(s.type),
                        std::to_string(s.keys)});
    }
    out.Document(JsonValue::object({{"database", db.Path()}, {"snapshots", list}}));
    out.Table({"ID", "TIME", "DEVICE", "MAC", "TYPE", "KEYS"}, rows);
    return kExitOk;
}

// One snapshot's settings; its JSON is a backup that 'set --from' takes.
int ShowSnapshot(const vdfleet::FleetDb &db, const std::vector<vdfleet::Snapshot> &all, const std::string &which,
                 const Printer &out) {
    long long id = 0;
    if (which == "latest" && !all.empty()) id = all.front().id;
    else if (which != "latest" && !ParseNumber(which, 1, 1LL << 62, id))
        return out.Fail("ID is a snapshot's number, or latest", 0, kExitUsage);
    const bool ours = std::any_of(all.begin(), all.end(), [&](const vdfleet::Snapshot &s) { return s.id == id; });
    vdfleet::Snapshot s;
    std::string error;
    if (!ours) return out.Fail("no snapshot " + which + " of this device", 0, kExitFailed);
    if (!db.SnapshotById(id, s, error)) return out.Fail(db.Path() + ": " + error, 0, kExitFailed);
    JsonValue doc = SnapshotJson(s), settings = JsonValue::object();
    std::vector<Row> rows;
    for (const auto &p : s.settings) {
        settings[p.first] = p.second;
        rows.push_back({p.first, p.second});
    }
    doc["settings"] = settings;
    out.Document(doc);
    out.Line(s.device + "  " + s.mac + "  type " + DescribeType(s.type) + "  snapshot " + std::to_string(s.id) +
             " of " + IsoTime(s.time));
    out.Table({"KEY", "VALUE"}, rows);
    return kExitOk;
}

int RunSnapshots(const Args &args, const Printer &out) {
    Fleet fleet(args, out);
    int status = 0;
    vdfleet::FleetDb *db = Readable(fleet, out, status);
    if (!db) return status;
    std::vector<vdfleet::Snapshot> all;
    std::string error;
    if (!db->Snapshots(args.Positionals()[0], all, error)) return out.Fail(db->Path() + ": " + error, 0, kExitFailed);
    if (args.Positionals().size() == 1) return ListSnapshots(*db, all, out);
    return ShowSnapshot(*db, all, args.Positionals()[1], out);
}

}  // namespace

std::vector<Command> FleetCommands() {
    CommandDef inventory;
    inventory.name = "inventory";
    inventory.summary = "list every device the tool has seen, offline ones included";
    inventory.options = FleetOptions();
    inventory.details =
        "Every device that a search, or a read by show, set or apply, has seen is\n"
        "kept in the fleet database by its MAC address: its IP, type, name and\n"
        "version as last seen, when it was first and last seen, and how many times\n"
        "its IP, name or version changed (--json lists each change). Devices that\n"
        "no longer answer stay listed, with how long ago they were seen.\n\n"
        "example:\n  vandrel search && vandrel inventory\n";
    inventory.maxPositionals = 0;

    CommandDef history;
    history.name = "history";
    history.synopsis = "[DEVICE]";
    history.summary = "list the writes the tool made: who, when, which key, before and after";
    history.options = FleetOptions();
    history.options.push_back({"--since", "TIME", "only writes since TIME: 30m, 2h, 7d ago, or a UTC date[Thh:mm]"});
    history.details =
        "Every write of set, apply, at, restart, cmd and firmware is kept in the\n"
        "fleet database, a row for each key: the time (UTC), the user, the channel\n"
        "(cli), the device, the value before and after (a password only as\n"
        "\"(changed)\"), whether the device was seen to hold it, and the operation\n"
        "it belongs to (the rows of one apply share one). DEVICE is the address the\n"
        "write named, or the device's MAC address.\n\n"
        "example:\n  vandrel history 192.0.2.7 --since 7d\n";
    history.maxPositionals = 1;

    CommandDef snapshots;
    snapshots.name = "snapshots";
    snapshots.synopsis = "DEVICE [ID | latest]";
    snapshots.summary = "list the snapshots kept of a device's settings, or show one";
    snapshots.options = FleetOptions();
    snapshots.details =
        "A read by 'show --snapshot', and every read of 'drift', keeps the device's\n"
        "settings in the fleet database as a snapshot: when, the address read and\n"
        "the MAC, and each key as the device gave it (never the password). The\n"
        "latest " + std::to_string(vdfleet::kMaxSnapshotsPerDevice) + " of each device are kept. DEVICE is the address read, or the\n"
        "device's MAC address; with ID (or latest) that snapshot's settings are\n"
        "shown, and its --json document is a backup that 'set --from' writes back.\n\n"
        "example:\n  vandrel snapshots 192.0.2.7 latest --json > held.json\n";
    snapshots.minPositionals = 1;
    snapshots.maxPositionals = 2;
    return {{inventory, RunInventory}, {history, RunHistory}, {snapshots, RunSnapshots}};
}

}  // namespace vdcli
