// The subcommands of vandrel, grouped by what they talk to. Each group's file
// declares its commands' options and help next to the code that runs them.
#ifndef VANDREL_CLI_COMMANDS_H
#define VANDREL_CLI_COMMANDS_H

#include <cstdint>
#include <vector>

#include "args.h"
#include "output.h"

namespace vdcli {

using RunFn = int (*)(const Args &args, const Printer &out);

struct Command {
    CommandDef def;
    RunFn run;
};

std::vector<Command> DiscoveryCommands();  // search
std::vector<Command> ConfigCommands();     // show, set
std::vector<Command> KeyCommands();        // keys
Command SetCommand();
std::vector<Command> DeviceCommands();     // restart, cmd, firmware download, firmware erase
std::vector<Command> RolloutCommands();    // firmware rollout, firmware status
std::vector<Command> SessionCommands();    // at
std::vector<Command> ChannelCommands();    // io, data
std::vector<Command> ApplyCommands();      // apply
std::vector<Command> InterfaceCommands();  // interfaces
std::vector<Command> FleetCommands();      // inventory, history, snapshots
std::vector<Command> DriftCommands();      // drift
std::vector<Command> WebCommands();        // web (the dashboard, tools/web), and web users ...
std::vector<Command> WebUserCommands();    // web users add, remove, passwd, token, list

// show, for a program that reads many devices at once in its own process
// (the dashboard): the device read on a fleet of the library
// (vandrel_fleet.h), which never hands out the password; every setting but
// it, so no KEY and no --with-password. words are its arguments, as the
// command line gives them after "show". The read ends by limitMs after the
// call (kItemDeadlineMs, device_batch.h, at most); a search for the device's
// type before it (600 ms at most) is not cut short.
int ShowOnFleet(const std::vector<std::string> &words, const Printer &out, uint32_t limitMs);

// set, likewise: the same checks, refusals, messages and JSON, the device
// read, written and read back on a fleet of the library. The password and
// what "-" (--from -, --pairs-from -) reads are handed over, never taken
// from the environment or standard input, which are the program's.
int SetOnFleet(const std::vector<std::string> &words, const std::string &password, const std::string &input,
               const Printer &out);

// drift, likewise, in the calling program's process (its reads are on a
// fleet, as on the command line); the program's own signals are left alone.
int DriftInProcess(const std::vector<std::string> &words, const Printer &out);

// firmware rollout, likewise, in the calling program's process (its
// downloads, restarts and searches are on fleets, as on the command line).
int RolloutInProcess(const std::vector<std::string> &words, const Printer &out);

}  // namespace vdcli

#endif
