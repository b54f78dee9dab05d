// The host's interfaces as the tool shows them, read from the system the way
// the library reads them on each platform.
#ifndef VANDREL_CLI_LINKS_H
#define VANDREL_CLI_LINKS_H

#include <string>
#include <vector>

namespace vdcli {

struct Link {
    std::string name, address, broadcast;
    bool up = false, canBroadcast = false, routed = false;
};

// Each interface with an IPv4 address, once, with its first address.
std::vector<Link> Links();
// The address a datagram for 255.255.255.255 sent without choosing an
// interface leaves from; "" when no route leads there.
std::string RoutedSource();
// Whether the host has an interface of that name, with an IPv4 address or not.
bool HasInterface(const std::string &name);
// Sets a variable of this process's environment, which the library reads.
void SetVariable(const char *name, const std::string &value);

}  // namespace vdcli

#endif
