// apply: a plan of settings across many devices. Every device is first
// checked by a dry run of the tool's own 'set'; when the checks refuse any
// key or value, nothing is written. Then each device with changes is written
// and read back by 'set --verify', and a table gives each device's result.
// Devices are served by worker processes, --jobs at a time.
#include <unistd.h>

#include <cstdio>
#include <map>

#include "apply_jobs.h"
#include "commands.h"
#include "interrupt.h"
#include "options.h"
#include "plan_meaning.h"
#include "settings_file.h"
#include "status.h"
#include "workers.h"

namespace vdcli {

namespace {

const char *OutcomeName(Outcome o) {
    switch (o) {
    case Outcome::Pending: return "pending";
    case Outcome::ToChange: return "to change";
    case Outcome::Unchanged: return "unchanged";
    case Outcome::Ok: return "ok";
    case Outcome::Unverified: return "unverified";
    case Outcome::Failed: return "failed";
    case Outcome::NotFound: return "not found";
    case Outcome::Refused: return "refused";
    case Outcome::NotDone: return "not done";
    }
    return "";
}

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

// A text of a worker's report, as the device's bytes; "" when missing.
std::string TextOf(const JsonValue &doc, const char *key) {
    std::string text;
    return doc.is_object() && doc.contains(key) && ValueText(doc[key], text) ? text : "";
}

// The worker's report: its JSON document, or its last words (without the
// device's address, which the table shows).
JsonValue ReportOf(const Job &j, const WorkerResult &r, std::string &error) {
    JsonValue doc;
    std::string ignored;
    if (!ParseJson(r.out, doc, ignored) || !doc.is_object()) doc = JsonValue::object();
    error = TextOf(doc, "error");
    if (error.empty()) {
        std::string err = r.err;
        while (!err.empty() && err.back() == '\n') err.pop_back();
        error = err.substr(err.rfind('\n') == std::string::npos ? 0 : err.rfind('\n') + 1);
    }
    for (const std::string &prefix : {std::string("vandrel set: "), j.target.addr.text + ": "})
        if (error.compare(0, prefix.size(), prefix) == 0) error = error.substr(prefix.size());
    if (error.empty()) error = "exit status " + std::to_string(r.status);
    return doc;
}

void Checked(Job &j, const WorkerResult &r) {
    std::string error;
    const JsonValue doc = ReportOf(j, r, error);
    if (doc.contains("changes") && doc["changes"].is_array()) j.changes = doc["changes"];
    if (r.status == kExitOk) {
        j.outcome = j.changes.empty() ? Outcome::Unchanged : Outcome::ToChange;
        j.detail = j.changes.empty() ? "holds the plan's values" : std::to_string(j.changes.size()) + " to change";
        std::string warning;
        if (doc.contains("warnings") && doc["warnings"].is_array())
            for (const JsonValue &w : doc["warnings"]) j.detail += "; " + (ValueText(w, warning) ? warning : "");
    } else if (r.status == kExitUsage && doc.contains("refused") && doc["refused"].is_array()) {
        j.outcome = Outcome::Refused;
        for (const JsonValue &why : doc["refused"]) {
            j.refusals.push_back(TextOf(why, "reason"));
            j.detail += (j.detail.empty() ? "" : ", ") + TextOf(why, "key");
        }
        j.detail += " refused";
    } else {
        j.outcome = r.status == kExitInterrupted ? Outcome::NotDone : Outcome::Failed;
        j.detail = error;
    }
}

void Written(Job &j, const WorkerResult &r) {
    std::string error;
    const JsonValue doc = ReportOf(j, r, error);
    const bool written = doc.contains("written") && doc["written"].is_boolean() && doc["written"].get<bool>();
    if (doc.contains("changes") && doc["changes"].is_array()) j.changes = doc["changes"];
    if (r.status == kExitOk) {
        j.outcome = Outcome::Ok;
        j.detail = std::to_string(j.changes.size()) + " written and read back";
        return;
    }
    // Ctrl-C reached the worker too: it stops before the write, or after it.
    j.outcome = r.status != kExitInterrupted ? Outcome::Failed : written ? Outcome::Unverified : Outcome::NotDone;
    // set says "nothing written" or "written, ..." where it knows.
    if (written && error.compare(0, 7, "written") != 0) error = "written; " + error;
    if (!written && error.find("nothing") == std::string::npos) error += "; nothing written";
    j.detail = error;
    for (const JsonValue &c : j.changes) {
        const std::string result = TextOf(c, "result");
        if (!result.empty() && result.compare(0, 6, "stored") != 0) j.detail += "; " + TextOf(c, "key") + " " + result;
    }
}

// extra: the fleet database's options, and the apply's operation, under
// which the workers record their writes.
WorkerTask TaskFor(const Job &j, const char *mode, bool force, const std::vector<std::string> &extra) {
    WorkerTask t;
    t.args = {"set", j.target.addr.text, "--type", std::to_string(j.target.type), "--from", "-", "--json", mode};
    if (force) t.args.push_back("--force");
    t.args.insert(t.args.end(), extra.begin(), extra.end());
    t.input = SettingsDocument(j.settings);
    t.password = j.password;
    return t;
}

struct Phase {
    Outcome in;        // the jobs it serves; the others stay as they are
    const char *mode;  // set's option
    const char *doing, *done;
    void (*take)(Job &, const WorkerResult &);
};

const Phase kCheck = {Outcome::Pending, "--dry-run", "checking", "checked", Checked};
const Phase kWrite = {Outcome::ToChange, "--verify", "writing", "written", Written};

void RunPhase(std::vector<Job> &jobs, const Phase &phase, int workers, bool force, bool progress,
              const std::vector<std::string> &extra) {
    std::vector<size_t> picked;
    std::vector<WorkerTask> tasks;
    for (size_t i = 0; i < jobs.size(); ++i)
        if (jobs[i].outcome == phase.in) {
            picked.push_back(i);
            tasks.push_back(TaskFor(jobs[i], phase.mode, force, extra));
        }
    Progress shown(progress, phase.doing, tasks.size());
    RunWorkers(tasks, workers, Interrupted, [&](size_t i, const WorkerResult &r) {
        phase.take(jobs[picked[i]], r);
        shown.Step();
    });
    for (size_t i : picked)
        if (jobs[i].outcome == phase.in) {
            jobs[i].outcome = Outcome::NotDone;
            jobs[i].detail = "interrupted before it was " + std::string(phase.done);
        }
}

void ShowChanges(const Printer &out, const std::vector<Job> &jobs) {
    // The JSON document holds the changes; nothing may come before it.
    if (out.Json()) return;
    for (const Job &j : jobs) {
        if (j.outcome != Outcome::ToChange && j.outcome != Outcome::Refused) continue;
        out.Line(j.label + "  type " + DescribeType(j.target.type) + ":");
        std::vector<Row> rows;
        for (const JsonValue &c : j.changes)
            rows.push_back({"", TextOf(c, "key"), c.contains("from") && c["from"].is_string() ? TextOf(c, "from") : "-",
                            "->", TextOf(c, "to")});
        for (const std::string &why : j.refusals) rows.push_back({"", "refused: " + why});
        std::string table = FormatTable({"", "", "", "", ""}, rows);
        table = table.substr(table.find('\n', table.find('\n') + 1) + 1);  // without header and rule
        std::fputs(table.c_str(), stdout);
    }
}

int Finish(const Printer &out, const std::vector<Job> &jobs, bool dryRun) {
    std::map<Outcome, size_t> counts;
    for (const Job &j : jobs) ++counts[j.outcome];
    std::string summary;
    for (Outcome o : {Outcome::Ok, Outcome::ToChange, Outcome::Unchanged, Outcome::Unverified, Outcome::Failed,
                      Outcome::NotFound, Outcome::Refused, Outcome::NotDone})
        if (counts[o]) summary += std::string(summary.empty() ? "" : ", ") + std::to_string(counts[o]) + " " + OutcomeName(o);
    if (out.Json()) {
        JsonValue devices = JsonValue::array();
        for (const Job &j : jobs) {
            JsonValue d = JsonValue::object({{"device", j.label},
                                             {"type", j.target.type},
                                             {"plan", j.where},
                                             {"result", OutcomeName(j.outcome)},
                                             {"detail", j.detail}});
            if (!j.refusals.empty()) d["refused"] = j.refusals;
            d["changes"] = JsonValue::array();
            for (const JsonValue &c : j.changes) {
                if (!c.is_object()) continue;
                JsonValue one = JsonValue::object();
                for (const auto &item : c.items())
                    one[item.key()] = item.value().is_string() ? JsonValue(TextOf(c, item.key().c_str())) : JsonValue();
                d["changes"].push_back(one);
            }
            devices.push_back(d);
        }
        out.Document(JsonValue::object(
            {{"dry_run", dryRun}, {"interrupted", Interrupted()}, {"devices", devices}, {"summary", summary}}));
    } else {
        std::vector<Row> rows;
        for (const Job &j : jobs)
            rows.push_back({j.label, j.target.type ? DescribeType(j.target.type) : "-", OutcomeName(j.outcome), j.detail});
        out.Table({"DEVICE", "TYPE", "RESULT", "DETAIL"}, rows);
        out.Line(std::to_string(jobs.size()) + (jobs.size() == 1 ? " device: " : " devices: ") + summary +
                 (dryRun ? " (dry run: nothing written)" : ""));
    }
    if (Interrupted()) return kExitInterrupted;
    if (counts[Outcome::Refused]) return kExitUsage;
    return counts[Outcome::Failed] || counts[Outcome::NotFound] ? kExitFailed : kExitOk;
}

int RunApply(const Args &args, const Printer &out) {
    PlanRun run;
    int status = 0;
    if (!ReadPlanRun(args, out, run, status)) return status;
    std::string error;
    CatchInterrupt();
    std::vector<Job> jobs;
    Fleet fleet(args, out);
    if (!ResolveJobs(run.plan, args, int(run.waitMs), fleet, jobs, error))
        return out.Fail(run.path + ": " + error, 0, kExitUsage);
    std::vector<std::string> extra = FleetArgs(args);
    extra.insert(extra.end(), {"--operation", OperationOf(args)});

    const bool dryRun = args.Has("--dry-run"), force = args.Has("--force");
    if (!force) RefuseChangedMeanings(run.plan, jobs);
    const bool progress = !out.Json() && isatty(STDERR_FILENO);
    RunPhase(jobs, kCheck, int(run.workers), force, progress, extra);
    ShowChanges(out, jobs);
    bool refused = false;
    for (const Job &j : jobs) refused = refused || j.outcome == Outcome::Refused;
    if (refused) out.Note("vandrel apply: the checks refuse the plan, so nothing is written (--force sends as is)");
    if (!dryRun && !refused && !Interrupted())
        RunPhase(jobs, kWrite, int(run.workers), force, progress, extra);
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
                     {"--jobs", "N", "devices served at once, each by a process of its own (default 1)"},
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
        "the table (exit status 130). Each device's worker records its writes in the\n"
        "fleet database's audit trail, all under the apply's one operation.\n";
    apply.minPositionals = apply.maxPositionals = 1;
    return {{apply, RunApply}};
}

}  // namespace vdcli
