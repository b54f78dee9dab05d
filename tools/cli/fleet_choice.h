// Which fleet database a front end uses: --no-db, or VANDREL_DB=off, for
// none; else --db PATH, else VANDREL_DB, else the front end's own default.
#ifndef VANDREL_CLI_FLEET_CHOICE_H
#define VANDREL_CLI_FLEET_CHOICE_H

#include <string>

#include "args.h"

namespace vdcli {

// The file chosen, fallback (isDefault then) when nothing names one; "" for
// none, with why. off: turned off on purpose.
std::string ChosenDb(const Args &args, const std::string &fallback, std::string &why, bool &isDefault, bool &off);

}  // namespace vdcli

#endif
