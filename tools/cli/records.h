// What the commands record in the fleet database, and say when a command
// fails, for every front end that runs them in its own process (the tool,
// and the dashboard's bulk operations and searches): a command's row of the
// audit trail, the devices a search found, the options that name the file.
#ifndef VANDREL_CLI_RECORDS_H
#define VANDREL_CLI_RECORDS_H

#include <string>
#include <vector>

#include "device.h"
#include "fleet.h"

namespace vdcli {

// Records the command sent to t in fleet's audit trail: the command as its
// key, its parameter as the value after (a family B device's MAC), and
// whether the device acknowledged it (over UDP, which is not answered:
// whether it was sent).
void RecordCommand(Fleet &fleet, const Target &t, const std::string &command, const std::string &param,
                   bool confirmed);

// The fleet options (--db, --no-db, --channel, --actor, --operation) of
// words, as a command takes them; false with error.
bool ParseFleetArgs(const std::vector<std::string> &words, Args &out, std::string &error);

// Remembers the devices a search found, as 'search' does.
void RecordSeen(const Args &args, const Printer &out, const std::vector<FoundDevice> &found);

// A command that failed, over TCP or over UDP.
std::string CommandFailure(bool tcp);

// A firmware download that failed.
std::string DownloadFailure();

}  // namespace vdcli

#endif
