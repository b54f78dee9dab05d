// The tool's memory of the fleet (tools/fleetdb): which file, and what the
// commands record in it. --db PATH, else VANDREL_DB, else the user's state
// folder ($XDG_STATE_HOME/vandrel/fleet.db, else
// ~/.local/state/vandrel/fleet.db) chooses the file; --no-db, or
// VANDREL_DB=off, runs without one. Recording never stops a command: a file
// that cannot be opened or written is warned of once, and the command goes on.
#ifndef VANDREL_CLI_FLEET_H
#define VANDREL_CLI_FLEET_H

#include <memory>
#include <string>
#include <vector>

#include "device.h"
#include "device_settings.h"
#include "fleet_db.h"

namespace vdcli {

// --db and --no-db, on every command that records or reads the fleet; and,
// hidden, --channel, --actor and --operation, by which a front end that
// runs the tool (the dashboard) names itself, its user and its operation in
// the audit rows.
std::vector<Option> FleetOptions();

// The operation that a command's audit rows belong to: --operation when a
// front end gave its own, else a new random one.
std::string OperationOf(const Args &args);

class Fleet {
public:
    Fleet(const Args &args, const Printer &out) : m_args(args), m_out(out) {}
    // Writes what is still held.
    ~Fleet() { Flush(); }
    Fleet(const Fleet &) = delete;
    Fleet &operator=(const Fleet &) = delete;

    // From now on Read, Audit and Snapshot hold what they record until
    // Flush, which writes it in a transaction a kind: the many devices of a
    // batch that end together cost a few transactions, not a few each.
    void Hold() { m_holding = true; }
    void Flush();

    // The database, opened on first use; nullptr when it is off or cannot
    // be opened (error tells which).
    vdfleet::FleetDb *Db(std::string &error);

    // Remembers the devices of a search, and the one that a read has just
    // read: from pairs, taken from it, or else as the library still holds
    // them (a listing of all pairs takes them from the library).
    void Seen(const std::vector<FoundDevice> &found);
    void Read(const Target &t, const Pairs &pairs);
    // Appends the rows of a write to t (mac as a read told it, or "" for
    // the one the inventory last saw at t's address): their time, actor
    // (--actor, else the user the tool runs as), channel (--channel, else
    // "cli"), device, MAC and operation (one for all the rows of this
    // object, unless the row names its own) are filled in.
    void Audit(const Target &t, const std::string &mac, std::vector<vdfleet::AuditRow> rows);
    // Stores what a whole read of t gave as a snapshot of the device,
    // without its password (fleet_snapshot.cpp).
    void Snapshot(const Target &t, const Pairs &pairs);

private:
    void Warn(const std::string &error);
    // Db, with a warning (once) when it cannot be had for a reason other
    // than being off.
    vdfleet::FleetDb *Writable();

    const Args &m_args;
    const Printer &m_out;
    bool m_tried = false, m_warned = false, m_off = false, m_holding = false;
    std::vector<vdfleet::SeenDevice> m_heldSeen;
    std::vector<vdfleet::AuditRow> m_heldRows;
    std::vector<vdfleet::Snapshot> m_heldSnapshots;
    std::string m_error, m_operation;
    std::unique_ptr<vdfleet::FleetDb> m_db;
};

// The user the tool runs as, for the audit trail.
std::string ActorName();

}  // namespace vdcli

#endif
