// What a command sent to a device leaves behind, wherever it was sent from
// (the tool's restart, cmd and firmware commands, the dashboard's restart
// and download of many devices): its row of the audit trail and, when it
// failed, the message that says so.
#ifndef VANDREL_CLI_COMMAND_RECORD_H
#define VANDREL_CLI_COMMAND_RECORD_H

#include <string>

#include "device.h"
#include "fleet.h"

namespace vdcli {

// Records the command sent to t in fleet's audit trail: the command as its
// key, its parameter as the value after, and whether the device
// acknowledged it (over UDP, which is not answered: whether it was sent).
void RecordCommand(Fleet &fleet, const Target &t, const std::string &command, const std::string &param,
                   bool confirmed);

// A command that failed, over TCP or over UDP.
std::string CommandFailure(bool tcp);

// A firmware download that failed.
std::string DownloadFailure();

}  // namespace vdcli

#endif
