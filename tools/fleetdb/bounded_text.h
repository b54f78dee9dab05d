// The bound on every text the file keeps: a device's, a writer's or a
// snapshot's field is cut to kMaxText bytes.
#ifndef VANDREL_FLEETDB_BOUNDED_TEXT_H
#define VANDREL_FLEETDB_BOUNDED_TEXT_H

#include <string>

#include "fleet_db.h"

namespace vdfleet {

inline std::string Cut(const std::string &text) { return text.substr(0, kMaxText); }

}  // namespace vdfleet

#endif
