// search: discovery by broadcast or at one address.
#include "commands.h"
#include "device.h"
#include "fleet.h"
#include "interrupt.h"
#include "options.h"
#include "search_range.h"
#include "status.h"
#include "vandrel.h"

namespace vdcli {

namespace {

std::string OrDash(const std::string &text) { return text.empty() ? "-" : text; }

// How many search requests went out: the search repeats its request while
// it waits, and answers to each are listed once.
JsonValue RequestsJson(int requests) { return JsonValue::object({{"requests", requests}}); }

int RunSearch(const Args &args, const Printer &out) {
    long long waitMs = 0;
    int status = 0;
    if (!WaitOf(args, out, waitMs, status)) return status;
    std::string target = args.Positionals().empty() ? "" : args.Positionals()[0], error;
    AddressRange range;
    const bool ranged = IsRange(target);
    if (ranged && !ParseRange(target, range, error)) return out.Fail(error, 0, kExitUsage);
    if (!ranged && !target.empty() && !ParseHost(args.Positionals()[0], out, target, status)) return status;

    CatchInterrupt();
    SearchTally tally;
    const std::vector<FoundDevice> found =
        ranged ? SearchRange(range, int(waitMs), &tally) : SearchDevices(target, int(waitMs), nullptr, &tally);
    Fleet(args, out).Seen(found);
    const int requests = tally.requests;
    const std::string answered =
        std::to_string(found.size()) + (found.size() == 1 ? " device answered" : " devices answered");
    if (found.empty() && Interrupted()) return out.Fail("interrupted: no device had answered", 0, kExitInterrupted);
    if (found.empty()) {
        const std::string what = target.empty() ? "no device answered" : target + " did not answer";
        return out.Fail(what + " within " + std::to_string(waitMs) + " ms", VD_FAIL,
                        ExitStatusFor(VD_NO_INFO), RequestsJson(requests));
    }
    if (tally.leftOut > 0)
        out.Note("vandrel search: only the first " + std::to_string(kMaxAnswers) + " answers are kept: " +
                 std::to_string(tally.leftOut) + " more left out");
    if (out.Json()) {
        JsonValue doc = tally.requests > 0 ? RequestsJson(requests) : JsonValue::object();
        if (tally.leftOut > 0) doc["left_out"] = tally.leftOut;
        doc["devices"] = FoundJson(found);
        out.Document(doc);
    } else {
        std::vector<Row> rows;
        for (const FoundDevice &d : found)
            rows.push_back({d.ip, OrDash(d.mac), DescribeType(d.type), OrDash(d.version), std::to_string(d.code2),
                            d.port ? std::to_string(d.port) : "-"});
        out.Table({"IP", "MAC", "TYPE", "VERSION", "CODE2", "PORT"}, rows);
        if (!Interrupted()) out.Line(answered);
    }
    // The list above is the whole result; the interruption goes to stderr.
    if (Interrupted()) {
        out.Note("vandrel search: interrupted: " + answered + " before it");
        return kExitInterrupted;
    }
    return kExitOk;
}

}  // namespace

std::vector<Command> DiscoveryCommands() {
    CommandDef search;
    search.name = "search";
    search.synopsis = "[ADDRESS | RANGE]";
    search.summary = "find devices: broadcast a search, or ask one address or a range";
    search.options = {{"--wait", "MS", "how long to collect answers (default 1000)"}, InterfaceOption()};
    for (const Option &o : FleetOptions()) search.options.push_back(o);
    search.details =
        "Without ADDRESS the search is a broadcast to 255.255.255.255 on UDP port 8800:\n"
        "run it only on a network where that is fine. With ADDRESS only that address\n"
        "is asked (it may be a directed broadcast address, such as 198.18.5.255, which\n"
        "routers that forward directed broadcasts carry to another subnet). A RANGE\n"
        "such as 198.18.5.0/24 (at most a /16) asks each of its addresses in turn,\n"
        "1 ms apart, which reaches devices behind any router: a /24 takes a quarter\n"
        "of a second and a /16 about 66 s before the wait. A broadcast leaves by every\n"
        "interface that can broadcast (see 'vandrel interfaces'), so a device reachable\n"
        "over two links may answer twice: identical answers are listed once. The request\n"
        "is sent again every 250 ms while the wait lasts, so that a lost request or\n"
        "answer is made up for; --json gives {\"requests\": N, \"devices\": [...]}. Ctrl-C\n"
        "ends the wait and lists the devices that answered so far (exit status 130).\n"
        "At most " + std::to_string(kMaxAnswers) + " answers are kept; more are counted and said to be left\n"
        "out (--json: \"left_out\": N). Every device that answers is kept in the fleet\n"
        "database ('vandrel inventory').\n";
    search.maxPositionals = 1;
    return {{search, RunSearch}};
}

}  // namespace vdcli
