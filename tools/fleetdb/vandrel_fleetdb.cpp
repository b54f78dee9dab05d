// The fleet database's C interface (vandrel_fleetdb.h), over FleetDb: the
// shared library libvandrel-fleetdb, which exports only VDB_.
#include "vandrel_fleetdb.h"

#include <cstdio>

#include "fleet_db.h"
#include "fleet_front_end.h"
#include "vandrel_rules.h"

struct VDB_Db {
    std::unique_ptr<vdfleet::FleetDb> db;
};

namespace {

constexpr char kChanged[] = "(changed)";

std::string OrEmpty(const char *text) { return text ? text : ""; }

void Tell(char *message, size_t room, const std::string &text) {
    if (message && room) std::snprintf(message, room, "%s", text.c_str());
}

// The file chosen as the tool chooses it; "" for none, with why ("" when
// off on purpose, or when the default is had without SQLite).
std::string ChosenPath(const char *path, std::string &why) {
    if (path) return path;
    bool off = false;
    const std::string env = vdfleet::EnvironmentDb(off);
    if (off || !env.empty()) return env;
    if (!vdfleet::FleetDb::Available()) return "";
    const std::string fallback = vdfleet::UserStatePath();
    if (fallback.empty()) why = "no fleet database: neither VANDREL_DB, XDG_STATE_HOME nor HOME is set";
    if (!fallback.empty() && !vdfleet::MakeFolderOf(fallback, why)) return "";
    return fallback;
}

std::vector<vdfleet::AuditRow> RowsOf(const VDB_Row *rows, uint32_t count) {
    std::vector<vdfleet::AuditRow> out;
    for (uint32_t i = 0; i < count; ++i) {
        vdfleet::AuditRow r;
        r.key = OrEmpty(rows[i].key);
        const bool secret = VR_IsSecretKey(r.key.c_str()) == 1;
        r.before = !rows[i].before ? "" : secret ? kChanged : rows[i].before;
        r.after = secret ? kChanged : OrEmpty(rows[i].after);
        r.confirmed = rows[i].confirmed != 0;
        out.push_back(r);
    }
    return out;
}

}  // namespace

extern "C" {

VDB_Db *VDB_Open(const char *path, char *message, size_t room) {
    try {
        std::string why;
        const std::string chosen = ChosenPath(path, why);
        Tell(message, room, why);
        if (chosen.empty()) return nullptr;
        auto db = vdfleet::FleetDb::Open(chosen, why);
        Tell(message, room, why);
        return db ? new VDB_Db{std::move(db)} : nullptr;
    } catch (...) {
        Tell(message, room, "out of memory");
        return nullptr;
    }
}

int32_t VDB_AppendWrite(VDB_Db *db, const char *actor, const char *channel, const char *device, const char *mac,
                        const char *operation, const VDB_Row *rows, uint32_t count, char *message, size_t room) {
    try {
        if (!db || (!rows && count)) return Tell(message, room, "no database, or no rows"), 0;
        std::vector<vdfleet::AuditRow> out = RowsOf(rows, count);
        std::string error, known = OrEmpty(mac);
        if (known.empty()) db->db->MacAt(OrEmpty(device), known, error);
        const std::string who = actor ? actor : vdfleet::ProcessUser();
        const std::string id = operation ? operation : vdfleet::NewOperation();
        const vdfleet::Millis now = vdfleet::Now();
        for (vdfleet::AuditRow &r : out) {
            r.time = now;
            r.actor = who;
            r.channel = OrEmpty(channel);
            r.device = OrEmpty(device);
            r.mac = known;
            r.operation = id;
        }
        if (db->db->Append(out, error)) return 1;
        Tell(message, room, "cannot record the audit in " + db->db->Path() + ": " + error);
        return 0;
    } catch (...) {
        Tell(message, room, "out of memory");
        return 0;
    }
}

int32_t VDB_KeepSnapshot(VDB_Db *db, const char *device, const char *mac, int32_t type, const VDB_Pair *pairs,
                         uint32_t count, char *message, size_t room) {
    try {
        if (!db || (!pairs && count)) return Tell(message, room, "no database, or no settings"), 0;
        vdfleet::Snapshot s;
        s.time = vdfleet::Now();
        s.device = OrEmpty(device);
        s.type = type;
        for (uint32_t i = 0; i < count; ++i) {
            const std::string key = OrEmpty(pairs[i].key);
            if (key == "MAC") s.mac = OrEmpty(pairs[i].value);
            if (VR_IsSecretKey(key.c_str()) != 1) s.settings.emplace_back(key, OrEmpty(pairs[i].value));
        }
        std::string error;
        if (s.mac.empty()) s.mac = OrEmpty(mac);
        if (s.mac.empty()) db->db->MacAt(s.device, s.mac, error);
        if (s.mac.empty()) return Tell(message, room, "no snapshot of " + s.device + ": its MAC address is not known"), 0;
        if (db->db->Keep({s}, error)) return 1;
        Tell(message, room, "cannot record the snapshot in " + db->db->Path() + ": " + error);
        return 0;
    } catch (...) {
        Tell(message, room, "out of memory");
        return 0;
    }
}

void VDB_Close(VDB_Db *db) { delete db; }

}  // extern "C"
