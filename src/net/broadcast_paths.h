// The ways a broadcast leaves this host. A datagram for 255.255.255.255 goes
// out of the one interface that the routing table picks, so on a host with
// several links the devices behind the others would never hear it: every
// broadcast is sent on each interface that is up and can broadcast, from that
// interface's own address (answers then come back over their own link), and
// still the routed way where that reaches an interface not covered already
// (a namespace whose only interface is loopback, a tunnel with the default
// route).
//
// VANDREL_INTERFACES, read at each broadcast, names the interfaces to use,
// separated by commas; unset means all. Set, it is obeyed strictly: names
// that match no interface are skipped, and a value that names none (empty,
// or garbage) sends nothing at all rather than on an interface not asked for.
//
// This is the whole choice, with the listing it rests on: the vandrel tool
// links it too, to show what a broadcast would use and to check the names a
// user gives.
#ifndef VANDREL_NET_BROADCAST_PATHS_H
#define VANDREL_NET_BROADCAST_PATHS_H

#include <cstdint>
#include <string>
#include <vector>

#include "net/platform.h"

namespace vd::net {

constexpr const char *kInterfacesVariable = "VANDREL_INTERFACES";

struct BroadcastPaths {
    std::vector<NetInterface> links;  // one send from each, in the system's order
    bool routed = false;              // and one send the routed way,
    NetInterface routedVia;           // which leaves by this (only its address, where no interface has it)
};

// The names in a value of the variable: split at commas, blanks around each
// trimmed, empty ones dropped.
std::vector<std::string> InterfaceNames(const std::string &selection);

// Whether a name a user gave names interface i of all: its name, or its
// alias where no interface bears that name.
bool IsNamed(const NetInterface &i, const std::string &name, const std::vector<NetInterface> &all);

// all: every IPv4 address of every interface (ListInterfaces); selection:
// the variable's value, null when it is unset; routedSource: the routed
// way's source address, null when no route leads to the broadcast address.
BroadcastPaths ChooseBroadcastPaths(const std::vector<NetInterface> &all, const std::string *selection,
                                    const uint32_t *routedSource);

// The paths for a broadcast sent now: the system's interfaces, the
// variable's value and the routed way as they are at this moment.
BroadcastPaths CurrentBroadcastPaths();

// Sends one datagram to 255.255.255.255:port along every current path.
// Returns length when at least one send went out, else -1 with the last
// error of the sends (kErrNetworkUnreachable when there was no path).
int SendBroadcast(SocketHandle handle, const void *buffer, int length, uint16_t port);

}  // namespace vd::net

#endif
