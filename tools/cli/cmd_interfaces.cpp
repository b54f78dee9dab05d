// interfaces: the interfaces a broadcast leaves by. The library sends each
// broadcast on every interface that is up and can broadcast, from its first
// IPv4 address, and the routed way when that leads to another interface; or
// only by the interfaces that VANDREL_INTERFACES names. This lists the same
// choice, read from the system the same way.
#include <cstdlib>
#include <sstream>

#include "commands.h"
#include "device.h"
#include "interfaces.h"
#include "links.h"
#include "options.h"
#include "status.h"

namespace vdcli {

namespace {

constexpr const char *kVariable = "VANDREL_INTERFACES";

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
            problem = HasInterface(n) ? "interface " + n + " has no IPv4 address"
                                                 : "no interface named " + n + " (see 'vandrel interfaces')";
    }
    if (!problem.empty()) {
        exitStatus = out.Fail(problem, 0, kExitUsage);
        return false;
    }
    SetVariable(kVariable, list);
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
