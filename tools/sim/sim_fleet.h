// A fleet of simulated devices described by a small text, one device a line:
//
//   KIND ADDRESS [NAME=VALUE]...
//
// KIND is family-a, family-b, io-module, firmware, crowd or data-flood;
// ADDRESS a 127.x.x.x address, or in a lab of scripts/lab.sh an address of
// 198.18.0.0/15; '#' starts a comment. Texts a device sends (names,
// passwords, AT values, raw replies) take \xNN for any byte and \\ for a
// backslash, so that a hostile device's bytes can be written down. Each member owns the simulated peers it needs, starts and
// stops them together, and tells what they served.
#ifndef VANDREL_SIM_SIM_FLEET_H
#define VANDREL_SIM_SIM_FLEET_H

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "sim_broadcast_hub.h"

namespace vdsim {

struct FleetEntry {
    std::string kind;
    std::string address;
    std::map<std::string, std::string> settings;
    int line = 0;
};

// Parses a fleet description; false with a message naming the line.
bool ParseFleet(const std::string &text, std::vector<FleetEntry> &entries, std::string &error);

// The most devices a crowd member may have.
constexpr long kMaxCrowd = 65536;

// The fleet that vandrel-sim runs when it is given no file.
const char *DefaultFleetText();

// The hostile devices that --hostile adds: texts of chosen bytes (escape
// sequences, control characters, bytes outside UTF-8, HTML) in both families
// and an AT session, and a data channel that never stops sending.
const char *HostileFleetText();

// A fleet of size devices for trying many at once: family A and family B by
// turns, each cycling through its type codes, on 127.1.x.y addresses, named
// dev-0001 on, with the password admin (family B without AT sessions).
std::string GeneratedFleetText(int size);
constexpr int kMaxFleetSize = 2000;

// Adds setting (NAME=VALUE) to the line of the device at address: the
// first with it, since a firmware receiver or IO module shares its
// device's address; false with why when no line has that address.
bool AddSetting(std::string &text, const std::string &address, const std::string &setting, std::string &error);

// The settings each kind takes, for the tool's help.
const char *FleetSettingsHelp();

// One line of the fleet table.
struct FleetRow {
    std::string kind, address, service, mac, type, password;
};

class FleetMember {
public:
    virtual ~FleetMember() = default;
    // False when a socket of the member cannot be opened.
    virtual bool Start() = 0;
    virtual void Stop() = 0;
    virtual std::vector<FleetRow> Rows() const = 0;
    // Appends one line per request served since the last call.
    virtual void TakeLog(std::vector<std::string> &lines) = 0;
};

// What the members of one fleet share: the hub that hears the family B
// broadcasts for all of them. It outlives the members.
struct FleetShared {
    BroadcastHub familyB{8801};
};

// The member an entry describes; null with a message for a bad entry.
std::unique_ptr<FleetMember> MakeMember(const FleetEntry &entry, FleetShared &shared, std::string &error);

// Reads an entry's settings, remembering which were used so that a
// misspelt one is reported.
class EntrySettings {
public:
    explicit EntrySettings(const FleetEntry &entry) : m_entry(entry) {}
    std::string Text(const std::string &name, const std::string &fallback);
    // A text of chosen bytes (\xNN and \\ decoded) of at most max bytes.
    bool Escaped(const std::string &name, const std::string &fallback, size_t max, std::string &out);
    // The names of the settings given that start with prefix.
    std::vector<std::string> NamesWithPrefix(const std::string &prefix) const;
    bool Number(const std::string &name, long fallback, long min, long max, long &out);
    // "a,b" of two numbers up to max.
    bool Pair(const std::string &name, long max, long out[2]);
    // A MAC address; the default is 02:56:44 followed by the address's last
    // three bytes.
    bool Mac(std::array<uint8_t, 6> &out);
    bool Flag(const std::string &name);
    // False with a message when a setting was given that no call read, or a
    // read failed (error says which).
    bool Check(std::string &error) const;

private:
    void Bad(const std::string &name, const std::string &why);

    const FleetEntry &m_entry;
    std::set<std::string> m_used;
    std::string m_error;
};

std::string MacText(const std::array<uint8_t, 6> &mac);

}  // namespace vdsim

#endif
