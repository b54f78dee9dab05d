// What every front end that records in the fleet database decides alike:
// whether VANDREL_DB names a file or turns the database off, who the user
// is, and a new operation's name.
#ifndef VANDREL_FLEETDB_FLEET_FRONT_END_H
#define VANDREL_FLEETDB_FLEET_FRONT_END_H

#include <string>

namespace vdfleet {

// The file VANDREL_DB names, "" when it names none; off when it is "off".
std::string EnvironmentDb(bool &off);

// The user the process runs as, the audit rows' actor unless a front end
// names its own.
std::string ProcessUser();

// A new operation: 16 random hexadecimal digits.
std::string NewOperation();

}  // namespace vdfleet

#endif
