// vandrel: find, inspect and configure device servers from the command line,
// through libvandrel's C interface.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "device.h"
#include "interfaces.h"
#include "status.h"
#include "version.h"

using namespace vdcli;

namespace {

void Overview(const std::vector<Command> &all, FILE *to) {
    std::fprintf(to,
                 "usage: vandrel COMMAND [options] [arguments]\n\n"
                 "Finds, inspects and configures network device servers. Discovery broadcasts\n"
                 "on the local network: run it only where that is fine.\n\ncommands:\n");
    size_t width = 0;
    for (const Command &c : all) width = std::max(width, c.def.name.size());
    for (const Command &c : all)
        std::fprintf(to, "  %-*s  %s\n", int(width), c.def.name.c_str(), c.def.summary.c_str());
    std::fprintf(to, "\n'vandrel COMMAND --help' tells more. Every command takes --json.\n"
                     "'vandrel --version' prints the versions of the tool and of the library.\n\n%s\n%s",
                 TypeListHelp().c_str(), ExitStatusHelp().c_str());
}

}  // namespace

int main(int argc, char **argv) {
    const std::vector<Command> all = AllCommands();
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        Overview(all, stderr);
        return kExitUsage;
    }
    if (args[0] == "--version") {
        const bool json = args.size() == 2 && args[1] == "--json";
        if (args.size() > 1 && !json) return Printer("--version", false).Fail("--version takes only --json", 0, kExitUsage);
        return PrintVersion(Printer("--version", json));
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        size_t n = 0;
        const Command *c = args.size() > 1 ? FindCommand(all, {args.begin() + 1, args.end()}, n) : nullptr;
        if (c)
            std::fputs(HelpText(c->def).c_str(), stdout);
        else
            Overview(all, stdout);
        return kExitOk;
    }
    size_t n = 0;
    const Command *c = FindCommand(all, args, n);
    if (!c) {
        std::string group;
        for (const Command &g : all)
            if (g.def.name.substr(0, g.def.name.find(' ')) == args[0]) group += "  vandrel " + g.def.name + ": " + g.def.summary + "\n";
        // A group's --help lists its commands, as a command's --help tells it.
        const bool help = args.size() == 2 && (args[1] == "--help" || args[1] == "-h");
        if (!group.empty()) {
            std::fprintf(help ? stdout : stderr, "vandrel %s needs one of:\n%s", args[0].c_str(), group.c_str());
            return help ? kExitOk : kExitUsage;
        }
        std::fprintf(stderr, "vandrel: unknown command '%s' (see 'vandrel --help')\n", args[0].c_str());
        return kExitUsage;
    }
    Args parsed;
    std::string error;
    const bool ok = ParseArgs(c->def, {args.begin() + long(n), args.end()}, parsed, error);
    const Printer out(c->def.name, parsed.Json());
    if (!ok) return out.Fail(error + " (see 'vandrel " + c->def.name + " --help')", 0, kExitUsage);
    if (parsed.Help()) {
        std::fputs(HelpText(c->def).c_str(), stdout);
        return kExitOk;
    }
    int status = 0;
    if (parsed.Has("--interface") && !UseInterfaces(parsed.Value("--interface"), out, status)) return status;
    return c->run(parsed, out);
}
