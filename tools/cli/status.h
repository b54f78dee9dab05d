// The library's return codes as people read them, and the exit status the
// tool ends with: 0 success, 1 failure, 2 usage error, 3 drift found (by
// 'vandrel drift': the devices were read, and some do not hold the plan),
// and 100 to 108 the library's own code when it gave one.
#ifndef VANDREL_CLI_STATUS_H
#define VANDREL_CLI_STATUS_H

#include <string>

namespace vdcli {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitDrift = 3;

// The code's short name ("WRONG_PASSWORD") and its message ("wrong
// password"); an unknown code gives "code N".
std::string CodeName(int code);
std::string CodeMessage(int code);

// 0 for 1 (success), 1 for 0 (failure), the code itself for 100 to 108.
int ExitStatusFor(int code);

// Text for the exit-status section of --help.
std::string ExitStatusHelp();

}  // namespace vdcli

#endif
