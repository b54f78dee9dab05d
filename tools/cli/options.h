// The options that several commands share: each declared once, and read once
// with one usage message. A reader that returns false has reported the usage
// error and left the exit status in exitStatus.
#ifndef VANDREL_CLI_OPTIONS_H
#define VANDREL_CLI_OPTIONS_H

#include <cstdint>
#include <string>

#include "args.h"
#include "output.h"

namespace vdcli {

// --type, read by ResolveType.
Option TypeOption();
// --interface, on every command that may broadcast.
Option InterfaceOption();

// --password, or else the VANDREL_PASSWORD environment variable (which keeps
// it off command lines that others can list); false when neither is given.
Option PasswordOption();
bool PasswordOf(const Args &args, std::string &password);
// The same for a command that cannot go on without one.
bool RequirePassword(const Args &args, const Printer &out, std::string &password, int &exitStatus);

// A whole number option in [min, max], fallback when not given; a value out
// of range is reported as "NAME takes WHAT".
bool NumberOf(const Args &args, const Printer &out, const std::string &name, long long min, long long max,
              const std::string &what, long long &value, int &exitStatus, long long fallback);
// --port: a device's TCP or command port, 8800 when not given.
bool PortOf(const Args &args, const Printer &out, uint32_t &port, int &exitStatus);
// --wait: how many milliseconds to wait for answers, 1000 when not given.
bool WaitOf(const Args &args, const Printer &out, long long &waitMs, int &exitStatus);

}  // namespace vdcli

#endif
