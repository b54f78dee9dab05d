// The dashboard's fleet database (tools/fleetdb), chosen as the tool chooses
// it (--db, --no-db, VANDREL_DB) but by default in the service's state
// folder: $STATE_DIRECTORY/fleet.db, which systemd sets for the unit's
// StateDirectory=. The dashboard reads it (the audit trail, and the devices
// table at start); its workers write it, each told the file, the channel
// "web" and the user who asked by the dashboard, never by a web client; so
// do the bulk operations it runs itself (bulk_commands.h).
#ifndef VANDREL_WEB_FLEET_MEMORY_H
#define VANDREL_WEB_FLEET_MEMORY_H

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "fleet.h"
#include "fleet_db.h"

namespace vdcli {
class Args;
class Printer;
}  // namespace vdcli

namespace vdweb {

class FleetMemory {
public:
    // Opens the file the options choose. One that cannot be opened is
    // warned of, and the dashboard goes on without it, as the tool does.
    void Open(const vdcli::Args &args, const vdcli::Printer &out);
    bool On() const { return m_db != nullptr; }
    // The file's path; "" without it.
    std::string Path() const { return m_db ? m_db->Path() : ""; }

    // A worker's command that records, with the file (or --no-db) and, for
    // its audit rows, the channel, the actor (user, or "web" without users:
    // the token's holder has no name) and the operation, when the command
    // is one device's part of one ("" for its own).
    std::vector<std::string> Recorded(std::vector<std::string> args, const std::string &user,
                                      const std::string &operation = "") const;
    // The same options, parsed, for what this process records itself (a
    // vdcli::Fleet over them): its bulk operations and searches.
    bool Recording(const std::string &user, const std::string &operation, vdcli::Args &out, std::string &error) const;

    bool Audit(const vdfleet::AuditQuery &query, std::vector<vdfleet::AuditRow> &rows, std::string &error) const;
    // The devices of the inventory as the table holds them; none without
    // the file.
    bool Known(std::vector<SeenDevice> &devices, std::string &error) const;
    // For /metrics: the latest firmware rollout's state and its devices by
    // state; nothing without the file or a rollout.
    void RenderRollout(std::string &out) const;
    // The latest firmware rollout (plan.id 0 when there is none).
    bool LastRollout(vdfleet::RolloutPlan &plan, std::vector<vdfleet::RolloutDevice> &devices,
                     std::string &error) const;
    // Moves rollout id, when it is the latest, by the first of the moves
    // (from, to) whose `from` it is in: a pause, a resume, an abort. The
    // moves are running's while the rollout's process runs (it holds the
    // rollout's lock), idle's when none does (one killed left it running,
    // pausing or aborting); the lock is held through the move, so that no
    // rollout starts meanwhile. latest and moved tell what happened; state
    // is the state it is in after. False with error.
    using RolloutMoves = std::initializer_list<std::pair<const char *, const char *>>;
    bool MoveRollout(long long id, RolloutMoves running, RolloutMoves idle, bool &latest, bool &moved,
                     std::string &state, std::string &error);

private:
    mutable std::mutex m_mutex;  // the connection serves one request at a time
    std::unique_ptr<vdfleet::FleetDb> m_db;
};

}  // namespace vdweb

#endif
