#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <unistd.h>

#include <cstdlib>

#include "links.h"

namespace vdcli {

namespace {

std::string Text(const sockaddr *a) {
    char text[INET_ADDRSTRLEN] = "";
    if (a && a->sa_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in *>(a)->sin_addr, text, sizeof text);
    return text;
}

}  // namespace

std::vector<Link> Links() {
    std::vector<Link> links;
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0) return links;
    for (const ifaddrs *i = list; i; i = i->ifa_next) {
        char name[IF_NAMESIZE] = "";
        const unsigned index = i->ifa_name ? if_nametoindex(i->ifa_name) : 0;
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET || !index || !if_indextoname(index, name)) continue;
        bool known = false;
        for (const Link &l : links) known = known || l.name == name;
        if (known) continue;
        const bool broadcast = (i->ifa_flags & IFF_BROADCAST) != 0;
        links.push_back({name, Text(i->ifa_addr), broadcast ? Text(i->ifa_broadaddr) : "", (i->ifa_flags & IFF_UP) != 0,
                         broadcast});
    }
    freeifaddrs(list);
    return links;
}

// Connecting makes the route lookup and sends nothing.
std::string RoutedSource() {
    const int probe = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0) return "";
    const int on = 1;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = INADDR_BROADCAST;
    to.sin_port = htons(9);
    sockaddr_in local{};
    socklen_t size = sizeof local;
    const bool found = setsockopt(probe, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0 &&
                       connect(probe, reinterpret_cast<const sockaddr *>(&to), sizeof to) == 0 &&
                       getsockname(probe, reinterpret_cast<sockaddr *>(&local), &size) == 0;
    close(probe);
    return found ? Text(reinterpret_cast<const sockaddr *>(&local)) : "";
}

bool HasInterface(const std::string &name) { return if_nametoindex(name.c_str()) != 0; }

void SetVariable(const char *name, const std::string &value) { setenv(name, value.c_str(), 1); }

}  // namespace vdcli
