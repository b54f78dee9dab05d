// The tool's commands as one table: the command line finds its command in
// it, and a program running commands in its own process finds them there too.
#include <sstream>

#include "commands.h"
#include "status.h"

namespace vdcli {

namespace {

std::vector<std::string> Words(const std::string &text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

}  // namespace

std::vector<Command> AllCommands() {
    std::vector<Command> all;
    for (auto group : {DiscoveryCommands, InterfaceCommands, ConfigCommands, KeyCommands, ApplyCommands,
                       DeviceCommands, RolloutCommands, SessionCommands, ChannelCommands, FleetCommands,
                       DriftCommands, WebCommands})
        for (Command &c : group()) all.push_back(std::move(c));
    return all;
}

const Command *FindCommand(const std::vector<Command> &all, const std::vector<std::string> &words, size_t &n) {
    const Command *found = nullptr;
    for (const Command &c : all) {
        const std::vector<std::string> name = Words(c.def.name);
        if (name.size() > words.size() || (found && name.size() <= n)) continue;
        bool match = true;
        for (size_t i = 0; i < name.size(); ++i) match = match && name[i] == words[i];
        if (match) {
            n = name.size();
            found = &c;
        }
    }
    return found;
}

int RunInProcess(const std::vector<std::string> &words, const Hosted &hosted, JsonValue &doc) {
    static const std::vector<Command> all = AllCommands();  // built once: the dashboard calls this per request
    size_t n = 0;
    const Command *c = FindCommand(all, words, n);
    const Printer out(c ? c->def.name : words.empty() ? "" : words[0], &doc);
    if (!c || !c->hosted) return out.Fail("not a command this program runs in its own process", 0, kExitUsage);
    Args args;
    std::string error;
    if (!ParseArgs(c->def, {words.begin() + long(n), words.end()}, args, error)) return out.Fail(error, 0, kExitUsage);
    return c->hosted(args, out, hosted);
}

}  // namespace vdcli
