// The fleet database's layout, by version: each step takes a file from one
// version to the next, and PRAGMA user_version records where a file is.
#ifndef VANDREL_FLEETDB_FLEET_SCHEMA_H
#define VANDREL_FLEETDB_FLEET_SCHEMA_H

#include <sqlite3.h>

#include <string>

namespace vdfleet {

// Brings the file to kSchemaVersion in one transaction; refuses a file of a
// later version, which a newer release wrote. False with a message.
bool Migrate(sqlite3 *db, std::string &error);

}  // namespace vdfleet

#endif
