// inventory and history: what the fleet database remembers of the devices
// the tool saw and of the writes made to them.
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
    return {{inventory, RunInventory}, {history, RunHistory}};
}

}  // namespace vdcli
