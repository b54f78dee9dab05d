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
// This header is the whole choice, with the listing it rests on and nothing
// of sockets: the vandrel tool includes it too, to show what a broadcast
// would use and to check the names a user gives. Each platform's folder
// provides the listing; the sends along the choice are the socket layer's
// (net/broadcast_send.h).
#ifndef VANDREL_NET_INTERFACES_H
#define VANDREL_NET_INTERFACES_H

#include <cstdint>
#include <string>
#include <vector>

namespace vd::net {

// ---- Interfaces -----------------------------------------------------------

// One IPv4 address of a network interface.
struct NetInterface {
    std::string name;      // the name a user gives it ("eth0"; on Windows the adapter's, "Ethernet 2")
    uint32_t index = 0;    // the system's interface index, never 0
    uint32_t address = 0;  // network order
    bool up = false;
    bool canBroadcast = false;
    // The link's own broadcast address, which users know it by (network
    // order, 0 when it has none); broadcasts go to 255.255.255.255 all the same.
    uint32_t subnetBroadcast = 0;
    // Another name a user may give it where the name alone is awkward to
    // type: on Windows its address ("192.0.2.7"); empty on POSIX.
    std::string alias;
};

// Every IPv4 address of every interface, as the system lists them now (an
// interface's primary address first); false with the last error set when
// the system cannot tell.
bool ListInterfaces(std::vector<NetInterface> &out);
// Whether the system has an interface of that name, with an IPv4 address or
// without.
bool InterfaceExists(const std::string &name);
// The source address that a datagram for 255.255.255.255 sent without
// choosing an interface gets (the routed way): it tells which interface that
// way leaves by. False when no route leads there.
bool RoutedBroadcastSource(uint32_t &address);

// ---- Environment ----------------------------------------------------------

// The variable's value as the process sees it now; false when it is unset.
bool ReadEnvironment(const char *name, std::string &value);
// Sets the variable for this process and the programs it starts.
bool WriteEnvironment(const char *name, const std::string &value);

// ---- The choice -----------------------------------------------------------

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

}  // namespace vd::net

#endif
