// interfaces: the interfaces a broadcast leaves by. The library sends each
// broadcast on every interface that is up and can broadcast, from its first
// IPv4 address, and the routed way when that leads to another interface; or
// only by the interfaces that VANDREL_INTERFACES names. This lists that
// choice, made by the library's own code (vandrel_interfaces).
#include <cstring>

#include "commands.h"
#include "interfaces.h"
#include "net/interfaces.h"
#include "options.h"
#include "status.h"

namespace vdcli {

namespace {

using vd::net::NetInterface;

std::string Dotted(uint32_t address) {
    uint8_t bytes[4];
    std::memcpy(bytes, &address, 4);
    return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." + std::to_string(bytes[2]) + "." +
           std::to_string(bytes[3]);
}

struct Shown {
    std::string name, address, broadcast;
    bool routed = false;
};

int RunInterfaces(const Args &, const Printer &out) {
    std::string chosen;
    const bool selected = vd::net::ReadEnvironment(vd::net::kInterfacesVariable, chosen);
    const vd::net::BroadcastPaths paths = vd::net::CurrentBroadcastPaths();
    std::vector<Shown> used;
    for (const NetInterface &l : paths.links)
        used.push_back({l.name, Dotted(l.address), l.subnetBroadcast ? Dotted(l.subnetBroadcast) : ""});
    if (paths.routed)
        used.push_back({paths.routedVia.name, Dotted(paths.routedVia.address), "255.255.255.255", true});
    if (out.Json()) {
        JsonValue list = JsonValue::array();
        for (const Shown &l : used)
            list.push_back(JsonValue::object(
                {{"name", l.name}, {"address", l.address}, {"broadcast", l.broadcast}, {"routed", l.routed}}));
        out.Document(list);
        return kExitOk;
    }
    std::vector<Row> rows;
    for (const Shown &l : used) rows.push_back({l.name, l.address, l.broadcast + (l.routed ? " (routed)" : "")});
    if (!rows.empty()) out.Table({"NAME", "ADDRESS", "BROADCAST"}, rows);
    const std::string setting = selected ? std::string(vd::net::kInterfacesVariable) + "=" + chosen : "";
    if (rows.empty())
        out.Line((selected ? setting + " names" : "there is") + std::string(" no interface a broadcast can leave by: "
                                                                        "broadcasts send nothing"));
    else if (selected)
        out.Line("chosen by " + setting);
    return kExitOk;
}

}  // namespace

bool UseInterfaces(const std::string &list, const Printer &out, int &exitStatus) {
    const std::vector<std::string> names = vd::net::InterfaceNames(list);
    std::vector<NetInterface> all;
    vd::net::ListInterfaces(all);
    std::string problem = names.empty() ? "--interface needs an interface name" : "";
    for (const std::string &n : names) {
        if (!problem.empty()) break;
        bool found = false, up = false;
        for (const NetInterface &l : all)
            if (vd::net::IsNamed(l, n, all)) {
                found = true;
                up = up || l.up;
            }
        if (found && !up)
            problem = "interface " + n + " is down";
        else if (!found)
            problem = vd::net::InterfaceExists(n) ? "interface " + n + " has no IPv4 address"
                                                  : "no interface named " + n + " (see 'vandrel interfaces')";
    }
    if (!problem.empty()) {
        exitStatus = out.Fail(problem, 0, kExitUsage);
        return false;
    }
    vd::net::WriteEnvironment(vd::net::kInterfacesVariable, list);
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
