// POSIX interfaces: getifaddrs lists them.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "net/platform.h"
#include "net/posix/errors.h"
#include "net/sockaddr.h"

namespace vd::net {

bool ListInterfaces(std::vector<NetInterface> &out) {
    out.clear();
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0) return Fail(), false;
    for (const ifaddrs *i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET || !i->ifa_name) continue;
        NetInterface link;
        link.index = if_nametoindex(i->ifa_name);
        // An address with a label ("eth0:1") lists under the label; the user
        // knows the interface by its own name.
        char name[IF_NAMESIZE] = "";
        if (link.index == 0 || !if_indextoname(link.index, name)) continue;
        link.name = name;
        link.address = reinterpret_cast<const sockaddr_in *>(i->ifa_addr)->sin_addr.s_addr;
        link.up = (i->ifa_flags & IFF_UP) != 0;
        link.canBroadcast = (i->ifa_flags & IFF_BROADCAST) != 0;
        if (link.canBroadcast && i->ifa_broadaddr && i->ifa_broadaddr->sa_family == AF_INET)
            link.subnetBroadcast = reinterpret_cast<const sockaddr_in *>(i->ifa_broadaddr)->sin_addr.s_addr;
        out.push_back(link);
    }
    freeifaddrs(list);
    return true;
}

bool InterfaceExists(const std::string &name) { return if_nametoindex(name.c_str()) != 0; }

// Connecting a datagram socket sends nothing but makes the same route lookup
// as a send, and fixes the source address that the send would get.
bool RoutedBroadcastSource(uint32_t &address) {
    const int probe = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0) return Fail(), false;
    const int on = 1;
    const sockaddr_in to = Raw({kBroadcastAddress, 9});
    sockaddr_in local{};
    socklen_t size = sizeof local;
    const bool found = setsockopt(probe, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0 &&
                       connect(probe, Generic(to), sizeof to) == 0 &&
                       getsockname(probe, reinterpret_cast<sockaddr *>(&local), &size) == 0;
    if (!found) Fail();
    close(probe);
    address = local.sin_addr.s_addr;
    return found;
}

}  // namespace vd::net
