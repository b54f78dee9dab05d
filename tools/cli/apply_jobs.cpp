#include "apply_jobs.h"

#include <map>

#include "device_batch.h"
#include "input_file.h"
#include "interrupt.h"
#include "options.h"
#include "status.h"

namespace vdcli {

namespace {

// The search tells what the plan leaves open: the type, or the address
// the device's family is reached by (IP for family A, MAC for family B).
bool NeedsSearch(const PlanEntry &e) {
    return !e.hasAddress || e.type == 0 || (FamilyOf(e.type) == Family::B) != e.addr.isMac;
}

Target TargetOf(const FoundDevice &d, int type) {
    Target t;
    t.type = type;
    t.addr = FamilyOf(type) == Family::B ? Address{true, d.mac} : Address{false, d.ip};
    return t;
}

void Overlay(Pairs &base, const Pairs &top) {
    for (const auto &p : top) {
        bool replaced = false;
        for (auto &b : base)
            if (b.first == p.first) {
                b.second = p.second;
                replaced = true;
            }
        if (!replaced) base.push_back(p);
    }
}

// A device as the plan names it: its settings from selectors and from
// entries of its own, kept apart until the end (an entry's win).
struct Named {
    Job job;
    bool byEntry = false;
    Pairs selected, own;
    bool hasPassword = false, passwordByEntry = false;
};

// The plan's devices in the order it names them, and the jobs that cannot
// be served, each with its place among those devices.
struct Resolution {
    std::vector<Named> devices;
    std::map<std::string, size_t> index;  // by "ip ADDRESS" or "mac ADDRESS"
    std::vector<std::pair<size_t, Job>> missing;
};

// Adds what entry e says of the device at t; false when two entries of
// their own name it (error).
bool Add(Resolution &r, const PlanEntry &e, const Target &t, std::string &error) {
    const std::string key = (t.addr.isMac ? "mac " : "ip ") + t.addr.text;
    const bool byEntry = e.hasAddress;
    auto it = r.index.find(key);
    if (it == r.index.end()) {
        it = r.index.emplace(key, r.devices.size()).first;
        r.devices.emplace_back();
        r.devices.back().job.label = t.addr.text;
        r.devices.back().job.target = t;
    }
    Named &n = r.devices[it->second];
    if (byEntry && n.byEntry) {
        error = t.addr.text + " is named twice in the plan (" + n.job.where + " and " + e.where + ")";
        return false;
    }
    n.job.where += (n.job.where.empty() ? "" : ", ") + e.where;
    n.byEntry = n.byEntry || byEntry;
    Overlay(byEntry ? n.own : n.selected, e.settings);
    if (e.hasPassword && (byEntry || !n.passwordByEntry)) {
        n.job.password = e.password;
        n.hasPassword = true;
        n.passwordByEntry = byEntry;
    }
    return true;
}

void AddMissing(Resolution &r, const PlanEntry &e, const std::string &label, Outcome outcome,
                const std::string &detail) {
    Job j;
    j.label = label;
    j.where = e.where;
    j.outcome = outcome;
    j.detail = detail;
    r.missing.emplace_back(r.devices.size(), j);
}

// The devices of the search that entry e selects (a device that answered
// twice counts once); false when one is named twice (error).
bool AddFound(const PlanEntry &e, const std::vector<FoundDevice> &found, Resolution &r, std::string &error) {
    bool any = false;
    std::map<std::string, bool> seen;
    for (const FoundDevice &d : found) {
        const bool wanted = e.hasAddress ? Matches(d, e.addr) : d.type == e.type;
        if (!wanted || seen[d.mac + d.ip]) continue;
        seen[d.mac + d.ip] = any = true;
        const int type = e.type ? e.type : d.type;
        if (FamilyOf(type) != Family::None) {
            if (!Add(r, e, TargetOf(d, type), error)) return false;
            continue;
        }
        AddMissing(r, e, e.addr.text, Outcome::Failed,
                   "answers as type " + std::to_string(type) + ", which this tool does not know");
    }
    if (any) return true;
    AddMissing(r, e, e.hasAddress ? e.addr.text : "type " + std::to_string(e.type),
               Interrupted() ? Outcome::NotDone : Outcome::NotFound,
               Interrupted()  ? "the search for it was interrupted"
               : e.hasAddress ? "did not answer the search"
                              : "no device of this type answered the search");
    return true;
}

// Every device's job with its settings and password, and the jobs that
// cannot be served in their places; false when a device has no password.
bool FinishJobs(const Plan &plan, const std::string *password, Resolution &r, std::vector<Job> &jobs,
                std::string &error) {
    // A device's own password, then a selector's, then the fallback.
    const bool hasFallback = password != nullptr;
    const std::string fallback = password ? *password : "";
    for (size_t i = 0, m = 0; i <= r.devices.size(); ++i) {
        for (; m < r.missing.size() && r.missing[m].first == i; ++m) jobs.push_back(r.missing[m].second);
        if (i == r.devices.size()) break;
        Named &n = r.devices[i];
        n.job.settings = plan.settings;
        Overlay(n.job.settings, n.selected);
        Overlay(n.job.settings, n.own);
        if (!n.hasPassword) n.job.password = fallback;
        if (!n.hasPassword && !hasFallback) {
            error = "no password for " + n.job.label + " (" + n.job.where +
                    "): give one in the plan, --password or VANDREL_PASSWORD";
            return false;
        }
        jobs.push_back(n.job);
    }
    return true;
}

}  // namespace

bool ResolveJobs(const Plan &plan, const std::string *password, const std::function<std::vector<FoundDevice>()> &search,
                 Fleet &fleet, std::vector<Job> &jobs, std::string &error) {
    bool needed = false;
    for (const PlanEntry &e : plan.entries) needed = needed || NeedsSearch(e);
    const std::vector<FoundDevice> found = needed ? search() : std::vector<FoundDevice>();
    if (needed) fleet.Seen(found);
    Resolution r;
    for (const PlanEntry &e : plan.entries) {
        const bool added = NeedsSearch(e) ? AddFound(e, found, r, error) : Add(r, e, {e.addr, e.type}, error);
        if (!added) return false;
    }
    return FinishJobs(plan, password, r, jobs, error);
}

const std::string *FallbackPassword(const Args &args, const Plan &plan, std::string &password) {
    if (!args.Has("--password") && plan.hasPassword) {
        password = plan.password;
        return &password;
    }
    return PasswordOf(args, password) ? &password : nullptr;
}

bool ReadPlanRun(const Args &args, const Printer &out, PlanRun &run, int &exitStatus) {
    if (!NumberOf(args, out, "--jobs", 1, kMaxAtOnce, "a number from 1 to " + std::to_string(kMaxAtOnce), run.atOnce,
                  exitStatus, DefaultAtOnce()) ||
        !WaitOf(args, out, run.waitMs, exitStatus))
        return false;
    run.path = args.Positionals()[0];
    std::string text, error;
    if (!ReadInput(run.path, "plan", text, error)) exitStatus = out.Fail(error, 0, kExitUsage);
    else if (!ParsePlan(text, run.plan, error)) exitStatus = out.Fail(run.path + ": " + error, 0, kExitUsage);
    else if (run.plan.entries.empty()) exitStatus = out.Fail(run.path + ": the plan names no device", 0, kExitUsage);
    else return true;
    return false;
}

}  // namespace vdcli
