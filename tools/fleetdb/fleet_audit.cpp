// The audit trail: rows appended, never changed (the file's triggers refuse
// an update or a delete).
#include "fleet_db.h"
#include "sqlite_statement.h"

namespace vdfleet {

namespace {

std::string Cut(const std::string &text) { return text.substr(0, kMaxText); }

}  // namespace

bool FleetDb::Append(const std::vector<AuditRow> &rows, std::string &error) {
    Transaction tx(m_db, error);
    if (!tx.Begun()) return false;
    Statement add(m_db, "INSERT INTO audit (time, actor, channel, device, mac, key, before, after, confirmed,"
                        " operation) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (const AuditRow &r : rows) {
        add.Reset().Bind(r.time).Bind(Cut(r.actor)).Bind(Cut(r.channel)).Bind(Cut(r.device)).Bind(Cut(r.mac));
        add.Bind(Cut(r.key)).Bind(Cut(r.before)).Bind(Cut(r.after)).Bind(r.confirmed ? 1 : 0).Bind(Cut(r.operation));
        if (!add.Done() && !add.Fine(error)) return false;
    }
    return add.Fine(error) && tx.Commit(error);
}

bool FleetDb::Audit(const AuditQuery &query, std::vector<AuditRow> &out, std::string &error) const {
    Statement rows(m_db, "SELECT time, actor, channel, device, mac, key, before, after, confirmed, operation"
                         " FROM audit WHERE time >= ? AND (? = '' OR device = ? OR mac = ?) ORDER BY id");
    rows.Bind(query.since).Bind(query.device).Bind(query.device).Bind(query.device);
    out.clear();
    while (rows.Step() == SQLITE_ROW) {
        AuditRow r;
        r.time = rows.Number(0);
        r.actor = rows.Text(1);
        r.channel = rows.Text(2);
        r.device = rows.Text(3);
        r.mac = rows.Text(4);
        r.key = rows.Text(5);
        r.before = rows.Text(6);
        r.after = rows.Text(7);
        r.confirmed = rows.Number(8) != 0;
        r.operation = rows.Text(9);
        out.push_back(r);
    }
    return rows.Fine(error);
}

}  // namespace vdfleet
