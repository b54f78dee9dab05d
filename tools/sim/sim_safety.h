// Where simulated devices may run. They hear limited broadcasts and answer
// them: on a real network they would answer other people's searches. So
// they run only in a private network namespace that is either loopback
// alone (scripts/in-netns.sh) or a lab of veth links with addresses from
// 198.18.0.0/15 (scripts/lab.sh), never in the machine's own namespace.
#ifndef VANDREL_SIM_SIM_SAFETY_H
#define VANDREL_SIM_SIM_SAFETY_H

#include <string>

namespace vdsim {

// True when this process's network namespace is such a place; otherwise
// false with the reason in why.
bool InPrivateNetwork(std::string &why);

// A lab address: inside 198.18.0.0/15.
bool IsLabAddress(const std::string &address);

}  // namespace vdsim

#endif
