// The devices a firmware rollout is over: those of a plan (by IP, or every
// device of a type that answers a search), or those a search finds (of an
// address range with --range, else a broadcast), kept when they are family
// A and match --type and --version; in the order of their addresses, each
// with the version it reports now.
#ifndef VANDREL_CLI_ROLLOUT_SELECT_H
#define VANDREL_CLI_ROLLOUT_SELECT_H

#include <string>
#include <vector>

#include "args.h"
#include "output.h"

namespace vdcli {

struct RolloutCandidate {
    std::string ip, mac;
    int type = 0;
    int version = -1;  // in hundredths; -1 when it did not answer
};

// False, reported with the exit status in status, when the selection
// cannot be read.
bool SelectDevices(const Args &args, const Printer &out, std::vector<RolloutCandidate> &chosen, int &status);

}  // namespace vdcli

#endif
