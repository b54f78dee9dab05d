// Ctrl-C for commands that stop cleanly: the signal only raises a flag, and
// the command looks at it where stopping leaves nothing half done (between
// the steps of an AT session, between the polls of a search, outside a
// write). The library's own waits are bounded and go on undisturbed.
#ifndef VANDREL_CLI_INTERRUPT_H
#define VANDREL_CLI_INTERRUPT_H

#include <string>

namespace vdcli {

constexpr int kExitInterrupted = 130;  // 128 + SIGINT, as shells report it

// From now on SIGINT sets the flag instead of ending the tool.
void CatchInterrupt();
bool Interrupted();

// For a step that cannot be stopped cleanly from outside (a firmware
// download runs inside one library call): SIGINT writes message to standard
// error, then " (after N ms)", and document (if any) to standard output, and
// ends the tool with kExitInterrupted.
void ExitOnInterrupt(const std::string &message, const std::string &document = "");

}  // namespace vdcli

#endif
