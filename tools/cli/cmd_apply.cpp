// apply: a plan of settings across many devices. Every device is first
// read and checked as 'set --dry-run' checks it; when the checks refuse any
// key or value, nothing is written. Then each device with changes is written
// and confirmed, and a table gives each device's result. The devices are
// served in this process, --jobs at once (apply_devices.h).
#include <unistd.h>

#include <cstdio>

#include "apply_devices.h"
#include "commands.h"
#include "interrupt.h"
#include "options.h"
#include "plan_meaning.h"
#include "status.h"

namespace vdcli {

namespace {

// "done of total" on one line of a terminal, rewritten as devices finish.
class Progress {
public:
    Progress(bool shown, std::string what, size_t total) : m_shown(shown && total > 0), m_what(std::move(what)), m_total(total) {
        Show();
    }
    ~Progress() {
        if (m_shown) std::fprintf(stderr, "\r\033[K");
    }
    void Step() {
        ++m_done;
        Show();
    }

private:
    void Show() const {
        if (m_shown) std::fprintf(stderr, "\rapply: %s: %zu of %zu devices done", m_what.c_str(), m_done, m_total);
    }

    bool m_shown;
    std::string m_what;
    size_t m_total, m_done = 0;
};

// Runs a phase over the jobs that are in, with its progress line.
void WithProgress(ApplyRun run, bool progress, const char *doing, Outcome in,
                  void (*phase)(const ApplyRun &, std::vector<Job> &), std::vector<Job> &jobs) {
    size_t count = 0;
    for (const Job &j : jobs) count += j.outcome == in;
    Progress shown(progress, doing, count);
    run.ended = [&](const Job &) { shown.Step(); };
    phase(run, jobs);
}

void ShowChanges(const Printer &out, const std::vector<Job> &jobs) {
    // The JSON document holds the changes; nothing may come before it.
    if (out.Json()) return;
    for (const Job &j : jobs) {
        if (j.outcome != Outcome::ToChange && j.outcome != Outcome::Refused) continue;
        out.Line(j.label + "  type " + DescribeType(j.target.type) + ":");
        std::vector<Row> rows;
        for (const JsonValue &c : j.changes)
            rows.push_back({"", c["key"].get<std::string>(), c["from"].is_string() ? c["from"].get<std::string>() : "-",
                            "->", c["to"].get<std::string>()});
        for (const std::string &why : j.refusals) rows.push_back({"", "refused: " + why});
        std::string table = FormatTable({"", "", "", "", ""}, rows);
        table = table.substr(table.find('\n', table.find('\n') + 1) + 1);  // without header and rule
        std::fputs(table.c_str(), stdout);
    }
}

int Finish(const Printer &out, const std::vector<Job> &jobs, bool dryRun) {
    out.Document(ApplyDocument(jobs, dryRun, Interrupted()));
    std::vector<Row> rows;
    for (const Job &j : jobs)
        rows.push_back({j.label, j.target.type ? DescribeType(j.target.type) : "-", OutcomeName(j.outcome), j.detail});
    out.Table({"DEVICE", "TYPE", "RESULT", "DETAIL"}, rows);
    out.Line(std::to_string(jobs.size()) + (jobs.size() == 1 ? " device: " : " devices: ") + Summary(jobs) +
             (dryRun ? " (dry run: nothing written)" : ""));
    return ApplyStatus(jobs, Interrupted());
}

int RunApply(const Args &args, const Printer &out) {
    PlanRun run;
    int status = 0;
    if (!ReadPlanRun(args, out, run, status)) return status;
    std::string error, password;
    CatchInterrupt();
    std::vector<Job> jobs;
    Fleet fleet(args, out);
    const auto search = [&] { return SearchDevices("", int(run.waitMs)); };
    if (!ResolveJobs(run.plan, FallbackPassword(args, run.plan, password), search, fleet, jobs, error))
        return out.Fail(run.path + ": " + error, 0, kExitUsage);

    const bool dryRun = args.Has("--dry-run"), force = args.Has("--force");
    if (!force) RefuseChangedMeanings(run.plan, jobs);
    const bool progress = !out.Json() && isatty(STDERR_FILENO);
    DeviceBatch batch(run.atOnce);
    const ApplyRun each{batch, fleet, force, Interrupted, nullptr};
    WithProgress(each, progress, "checking", Outcome::Pending, CheckJobs, jobs);
    ShowChanges(out, jobs);
    bool refused = false;
    for (const Job &j : jobs) refused = refused || j.outcome == Outcome::Refused;
    if (refused) out.Note("vandrel apply: the checks refuse the plan, so nothing is written (--force sends as is)");
    if (!dryRun && !refused && !Interrupted()) WithProgress(each, progress, "writing", Outcome::ToChange, WriteJobs, jobs);
    if (Interrupted()) out.Note("vandrel apply: interrupted; the table says what was done");
    return Finish(out, jobs, dryRun);
}

}  // namespace

std::vector<Command> ApplyCommands() {
    CommandDef apply;
    apply.name = "apply";
    apply.synopsis = "PLAN";
    apply.summary = "apply a plan of settings to many devices, and read them back";
    apply.options = {PasswordOption(),
                     {"--jobs", "N", "devices served at once (default " + std::to_string(kDefaultAtOnce) +
                                         ", fewer when the open-file limit is low)"},
                     {"--dry-run", "", "check every device and show what would change; write nothing"},
                     {"--force", "", "send keys and values that the checks refuse"},
                     {"--wait", "MS", "how long the search for the plan's devices collects (default 1000)"},
                     InterfaceOption()};
    for (const Option &o : FleetOptions()) apply.options.push_back(o);
    apply.details =
        "PLAN ('-': standard input) names devices by IP or MAC address, or selects\n"
        "every device of a type code that answers a search, with the settings each\n"
        "gets. As JSON:\n\n"
        "  {\"password\": \"secret\",\n"
        "   \"settings\": {\"C1_BAUD\": \"9\"},\n"
        "   \"devices\": [{\"ip\": \"192.0.2.7\", \"settings\": {\"NAME\": \"pump-1\"}},\n"
        "               {\"mac\": \"02:56:44:00:00:0C\", \"password\": \"other\",\n"
        "                \"settings\": {\"C1_BAUD\": \"9600\"}},\n"
        "               {\"type\": 17, \"settings\": {\"CANBAUD1\": \"500000\"}}]}\n\n"
        "or as text, one device a line ('#' starts a comment, double quotes keep\n"
        "blanks in a value, a password= line alone serves every device):\n\n"
        "  password=secret\n"
        "  192.0.2.7 NAME=pump-1 C1_BAUD=9\n"
        "  02:56:44:00:00:0C password=other C1_BAUD=9600\n"
        "  type=17 CANBAUD1=500000\n\n"
        "\"type\" beside an address spares the search for that device. Settings of\n"
        "the whole plan go to every device, a device's own win. A device's password\n"
        "is its own, else --password, else the plan's, else VANDREL_PASSWORD.\n\n"
        "Every device is read and checked first as 'vandrel set --dry-run' does,\n"
        "and the changes are shown. When the checks refuse a key or value on any\n"
        "device, nothing is written (exit status 2). Then each device with changes\n"
        "is written and read back, and a table gives each device's result. Exit\n"
        "status 0 when every device is done, 1 when any failed or was not found.\n"
        "Ctrl-C starts no further device, lets those under way finish, and prints\n"
        "the table (exit status 130). Each device's writes are rows of the fleet\n"
        "database's audit trail, all under the apply's one operation.\n";
    apply.minPositionals = apply.maxPositionals = 1;
    return {{apply, RunApply}};
}

}  // namespace vdcli
