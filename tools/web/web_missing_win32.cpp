// The Windows build has no dashboard: Debian's cpp-httplib keeps its
// definitions in a Linux shared library, which a cross build cannot link.
#include "commands.h"

namespace vdcli {

std::vector<Command> WebCommands() { return {}; }

}  // namespace vdcli
