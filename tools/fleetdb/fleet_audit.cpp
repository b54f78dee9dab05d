// The audit trail: rows appended, never changed (the file's triggers refuse
// an update or a delete).
#include <algorithm>

#include "bounded_text.h"
#include "fleet_db.h"
#include "sqlite_statement.h"

namespace vdfleet {

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
    // Newest first, so that a limit keeps the latest rows; turned round
    // below. One device's rows are found by its two indexes, not a scan.
    const char *const all = "SELECT time, actor, channel, device, mac, key, before, after, confirmed, operation"
                            " FROM audit WHERE time >= ? ORDER BY id DESC LIMIT ?";
    const char *const one = "SELECT time, actor, channel, device, mac, key, before, after, confirmed, operation"
                            " FROM audit WHERE (device = ? OR mac = ?) AND time >= ? ORDER BY id DESC LIMIT ?";
    Statement rows(m_db, query.device.empty() ? all : one);
    if (!query.device.empty()) rows.Bind(query.device).Bind(query.device);
    rows.Bind(query.since);
    rows.Bind(query.limit ? static_cast<long long>(query.limit) : -1);
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
    std::reverse(out.begin(), out.end());
    return rows.Fine(error);
}

}  // namespace vdfleet
