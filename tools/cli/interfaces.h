// The network interfaces that the library's broadcasts leave by, as the
// tool shows them and as --interface chooses them (through the library's
// VANDREL_INTERFACES).
#ifndef VANDREL_CLI_INTERFACES_H
#define VANDREL_CLI_INTERFACES_H

#include <string>

#include "output.h"

namespace vdcli {

// Checks the comma-separated names of --interface (each must exist, be up
// and have an IPv4 address) and hands them to the library. On failure
// reports and returns false with the exit status in exitStatus.
bool UseInterfaces(const std::string &names, const Printer &out, int &exitStatus);

}  // namespace vdcli

#endif
