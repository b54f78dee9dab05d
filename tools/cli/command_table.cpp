// The tool's commands as one table: the command line finds its command in
// it, and a program running commands in its own process finds them there too.
#include <algorithm>
#include <string_view>

#include "commands.h"
#include "status.h"

namespace vdcli {

namespace {

// The number of words of name (single spaces between them) if words start
// with all of them, else 0. Compared in place: the dashboard finds a command
// on every request.
size_t NameWords(std::string_view name, const std::vector<std::string> &words) {
    size_t i = 0;
    for (size_t at = 0; at <= name.size(); ++i) {
        const size_t end = std::min(name.find(' ', at), name.size());
        if (i >= words.size() || name.substr(at, end - at) != words[i]) return 0;
        at = end + 1;
    }
    return i;
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
        const size_t matched = NameWords(c.def.name, words);
        if (matched > n) {
            n = matched;
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
