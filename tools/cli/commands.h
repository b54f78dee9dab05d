// The subcommands of vandrel, grouped by what they talk to. Each group's file
// declares its commands' options and help next to the code that runs them.
#ifndef VANDREL_CLI_COMMANDS_H
#define VANDREL_CLI_COMMANDS_H

#include <cstdint>
#include <string>
#include <vector>

#include "args.h"
#include "device_batch.h"
#include "output.h"

namespace vdcli {

using RunFn = int (*)(const Args &args, const Printer &out);

struct Hosted;
using HostedFn = int (*)(const Args &args, const Printer &out, const Hosted &hosted);

struct Command {
    CommandDef def;
    RunFn run;
    HostedFn hosted = nullptr;  // its form for a program's own process, if it has one
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

// The commands a program runs in its own process (the dashboard), beside
// others of its threads: show, set, drift and firmware rollout. Their
// devices are read and written on fleets of the library (vandrel_fleet.h),
// which never hand out a password: show gives every setting but it (so no
// KEY and no --with-password). The program's environment, standard input
// and signals are its own: what they would give is handed over.
struct Hosted {
    std::string password;               // set's device password
    std::string input;                  // what "-" reads (--from -, --pairs-from -)
    uint32_t limitMs = kItemDeadlineMs; // show's read ends by then after the call (at most
                                        // kItemDeadlineMs); a search for the device's type
                                        // before it (600 ms at most) is not cut short
};

// Every command of the tool, in the order its help lists them.
std::vector<Command> AllCommands();

// The command whose name's words start words, the longest such name ("web
// users add" before "web"); n gets the number of its words. Null for none.
const Command *FindCommand(const std::vector<Command> &all, const std::vector<std::string> &words, size_t &n);

// Runs words (a command's name, then its arguments as the command line gives
// them) in the calling program's process, with the same checks, messages,
// exit statuses and JSON as on the command line: the document goes to doc.
// A command that has no such form is refused (kExitUsage).
int RunInProcess(const std::vector<std::string> &words, const Hosted &hosted, JsonValue &doc);

}  // namespace vdcli

#endif
