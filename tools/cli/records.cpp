#include "records.h"

#include "options.h"

namespace vdcli {

void RecordCommand(Fleet &fleet, const Target &t, const std::string &command, const std::string &param,
                   bool confirmed) {
    vdfleet::AuditRow row;
    row.key = command;
    // A family B device's command goes by broadcast naming its MAC, which
    // is then the parameter sent, whatever the caller's was.
    row.after = t.addr.isMac ? t.addr.text : param;
    row.confirmed = confirmed;
    fleet.Audit(t, "", {row});
}

bool ParseFleetArgs(const std::vector<std::string> &words, Args &out, std::string &error) {
    CommandDef def;
    def.options = FleetOptions();
    return ParseArgs(def, words, out, error);
}

void RecordSeen(const Args &args, const Printer &out, const std::vector<FoundDevice> &found) {
    Fleet(args, out).Seen(found);
}

std::string CommandFailure(bool tcp) {
    return tcp ? "the command failed: no connection, or the device did not answer"
               : "the command was not sent: unknown to this device type, or the send failed";
}

std::string DownloadFailure() {
    return "download failed: no connection, or a packet was not acknowledged; the device has not got the images "
           "whole and needs a new download";
}

}  // namespace vdcli
