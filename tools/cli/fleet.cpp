#include "fleet.h"

#include <cstdio>

#include "fleet_choice.h"
#include "fleet_front_end.h"
#include "vandrel.h"

namespace vdcli {

namespace {

constexpr char kChannel[] = "cli";

std::string Held(const Pairs &pairs, const char *name) {
    std::string taken;
    if (FindPair(pairs, name, taken)) return taken;
    char key[VD_KEY_LEN] = "", value[VD_VALUE_LEN] = "";
    std::snprintf(key, sizeof key, "%s", name);
    return VD_GetDevConfigUDP(key, value) == VD_OK ? value : "";
}

}  // namespace

std::vector<Option> FleetOptions() {
    return {{"--db", "PATH", "the fleet database (default: VANDREL_DB, else the user's state folder)"},
            {"--no-db", "", "neither record in nor read the fleet database (also VANDREL_DB=off)"},
            {"--channel", "NAME", "the front end that the audit rows name", false, true},
            {"--actor", "NAME", "the user that the audit rows name", false, true},
            {"--operation", "ID", "the operation that the audit rows belong to", false, true}};
}

std::string OperationOf(const Args &args) {
    return args.Has("--operation") ? args.Value("--operation") : vdfleet::NewOperation();
}

std::string ActorName() { return vdfleet::ProcessUser(); }

vdfleet::FleetDb *Fleet::Db(std::string &error) {
    if (!m_tried) {
        m_tried = true;
        bool isDefault = false;
        const std::string path = ChosenDb(m_args, vdfleet::UserStatePath(), m_error, isDefault, m_off);
        // A build without SQLite keeps quiet about it unless a database is
        // asked for; the commands that read one still say why there is none.
        if (isDefault && !vdfleet::FleetDb::Available()) m_off = true;
        if (!path.empty() && (!isDefault || m_off || vdfleet::MakeFolderOf(path, m_error)))
            m_db = vdfleet::FleetDb::Open(path, m_error);
    }
    error = m_error;
    return m_db.get();
}

void Fleet::Warn(const std::string &error) {
    if (m_warned) return;
    m_warned = true;
    m_out.Note("vandrel: warning: " + error + "; going on without it");
}

vdfleet::FleetDb *Fleet::Writable() {
    std::string error;
    vdfleet::FleetDb *db = Db(error);
    if (!db && !m_off) Warn(error);
    return db;
}

void Fleet::Seen(const std::vector<FoundDevice> &found) {
    std::string error;
    vdfleet::FleetDb *db = Writable();
    if (!db) return;
    std::vector<vdfleet::SeenDevice> seen;
    for (const FoundDevice &d : found) seen.push_back({d.mac, d.ip, d.version, "", d.type});
    if (!db->RecordSeen(seen, vdfleet::Now(), error)) Warn("cannot record in " + db->Path() + ": " + error);
}

void Fleet::Read(const Target &t, const Pairs &pairs) {
    std::string error;
    vdfleet::FleetDb *db = Writable();
    if (!db) return;
    vdfleet::SeenDevice d{Held(pairs, "MAC"), Held(pairs, "IP"), "", Held(pairs, "NAME"), t.type};
    if (m_holding) return m_heldSeen.push_back(d);
    if (!db->RecordSeen({d}, vdfleet::Now(), error)) Warn("cannot record in " + db->Path() + ": " + error);
}

void Fleet::Audit(const Target &t, const std::string &mac, std::vector<vdfleet::AuditRow> rows) {
    std::string error;
    vdfleet::FleetDb *db = Writable();
    if (!db) return;
    const std::string actor = m_args.Value("--actor", ActorName()), channel = m_args.Value("--channel", kChannel);
    if (m_operation.empty()) m_operation = OperationOf(m_args);
    // A write that read no MAC names the device by the one last seen at its address.
    std::string known = t.addr.isMac ? t.addr.text : mac;
    if (known.empty()) db->MacAt(t.addr.text, known, error);
    const vdfleet::Millis now = vdfleet::Now();
    for (vdfleet::AuditRow &r : rows) {
        r.time = now;
        r.actor = actor;
        r.channel = channel;
        r.device = t.addr.text;
        r.mac = known;
        if (r.operation.empty()) r.operation = m_operation;
    }
    if (m_holding) {
        m_heldRows.insert(m_heldRows.end(), rows.begin(), rows.end());
        return;
    }
    if (!db->Append(rows, error)) Warn("cannot record the audit in " + db->Path() + ": " + error);
}

void Fleet::Flush() {
    std::string error;
    vdfleet::FleetDb *db = m_db.get();
    if (db && !m_heldSeen.empty() && !db->RecordSeen(m_heldSeen, vdfleet::Now(), error))
        Warn("cannot record in " + db->Path() + ": " + error);
    if (db && !m_heldRows.empty() && !db->Append(m_heldRows, error))
        Warn("cannot record the audit in " + db->Path() + ": " + error);
    if (db && !m_heldSnapshots.empty() && !db->Keep(m_heldSnapshots, error))
        Warn("cannot record the snapshot in " + db->Path() + ": " + error);
    m_heldSeen.clear();
    m_heldRows.clear();
    m_heldSnapshots.clear();
}

}  // namespace vdcli
