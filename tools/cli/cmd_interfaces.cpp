// interfaces: the interfaces a broadcast leaves by. The library sends each
// broadcast on every interface that is up and can broadcast, from its first
// IPv4 address, and the routed way when that leads to another interface; or
// only by the interfaces that VANDREL_INTERFACES names. This lists the same
// choice, read from the system the same way.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "commands.h"
#include "device.h"
#include "interfaces.h"
#include "status.h"

namespace vdcli {

namespace {

constexpr const char *kVariable = "VANDREL_INTERFACES";

struct Link {
    std::string name, address, broadcast;
    bool up = false, canBroadcast = false, routed = false;
};

std::string Text(const sockaddr *a) {
    char text[INET_ADDRSTRLEN] = "";
    if (a && a->sa_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in *>(a)->sin_addr, text, sizeof text);
    return text;
}

// Each interface with an IPv4 address, once, with its first address.
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

// The address a datagram for 255.255.255.255 sent without choosing an
// interface leaves from: connecting makes the route lookup and sends nothing.
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

std::vector<std::string> Names(const std::string &list) {
    std::vector<std::string> names;
    std::istringstream in(list);
    for (std::string name; std::getline(in, name, ',');) {
        const size_t first = name.find_first_not_of(" \t"), last = name.find_last_not_of(" \t");
        if (first != std::string::npos) names.push_back(name.substr(first, last - first + 1));
    }
    return names;
}

int RunInterfaces(const Args &, const Printer &out) {
    const char *chosen = std::getenv(kVariable);
    const std::vector<std::string> names = chosen ? Names(chosen) : std::vector<std::string>();
    const auto named = [&](const Link &l) {
        bool is = !chosen;
        for (const std::string &n : names) is = is || n == l.name;
        return is && l.up;
    };
    const std::vector<Link> links = Links();
    std::vector<Link> used;
    for (const Link &l : links)
        if (l.canBroadcast && named(l)) used.push_back(l);
    const std::string source = RoutedSource();
    for (const Link &l : links)
        if (!source.empty() && l.address == source && !l.canBroadcast && named(l)) {
            used.push_back(l);
            used.back().broadcast = "255.255.255.255";
            used.back().routed = true;
        }
    if (out.Json()) {
        Json list = Json::Array();
        for (const Link &l : used)
            list.Push(Json::Object()
                          .Set("name", l.name)
                          .Set("address", l.address)
                          .Set("broadcast", l.broadcast)
                          .Set("routed", l.routed));
        out.Document(list);
        return kExitOk;
    }
    std::vector<Row> rows;
    for (const Link &l : used) rows.push_back({l.name, l.address, l.broadcast + (l.routed ? " (routed)" : "")});
    if (!rows.empty()) out.Table({"NAME", "ADDRESS", "BROADCAST"}, rows);
    const std::string setting = chosen ? std::string(kVariable) + "=" + chosen : "";
    if (rows.empty())
        out.Line((chosen ? setting + " names" : "there is") + std::string(" no interface a broadcast can leave by: "
                                                                      "broadcasts send nothing"));
    else if (chosen)
        out.Line("chosen by " + setting);
    return kExitOk;
}

}  // namespace

bool UseInterfaces(const std::string &list, const Printer &out, int &exitStatus) {
    const std::vector<std::string> names = Names(list);
    const std::vector<Link> links = Links();
    std::string problem = names.empty() ? "--interface needs an interface name" : "";
    for (const std::string &n : names) {
        if (!problem.empty()) break;
        const Link *found = nullptr;
        for (const Link &l : links)
            if (l.name == n) found = &l;
        if (found && !found->up)
            problem = "interface " + n + " is down";
        else if (!found)
            problem = if_nametoindex(n.c_str()) ? "interface " + n + " has no IPv4 address"
                                                 : "no interface named " + n + " (see 'vandrel interfaces')";
    }
    if (!problem.empty()) {
        exitStatus = out.Fail(problem, 0, kExitUsage);
        return false;
    }
    setenv(kVariable, list.c_str(), 1);
    return true;
}

std::vector<Command> InterfaceCommands() {
    CommandDef interfaces;
    interfaces.name = "interfaces";
    interfaces.summary = "list the interfaces that broadcasts leave by";
    interfaces.details =
        "A broadcast (a search, and every request to a family B device) leaves by every\n"
        "interface that is up and can broadcast, from that interface's address, and also\n"
        "the way the routing table picks when that leads elsewhere (a loopback-only\n"
        "namespace). VANDREL_INTERFACES (names separated by commas), or --interface on\n"
        "a command, limits broadcasts to the interfaces it names: this lists those.\n";
    interfaces.options = {InterfaceOption()};
    interfaces.maxPositionals = 0;
    return {{interfaces, RunInterfaces}};
}

}  // namespace vdcli
