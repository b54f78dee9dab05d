// drift: whether the plan's devices still hold what the plan says. The
// devices are read at once (device_batch.h), and each of a device's keys in
// the plan is judged as 'set' judges it: a value the device already holds
// (as it stores it) is in sync, any other is drift. Nothing is written.
#include "apply_jobs.h"
#include "commands.h"
#include "device_batch.h"
#include "interrupt.h"
#include "options.h"
#include "status.h"

namespace vdcli {

namespace {

struct Verdict {
    std::string key, plan, held, state;  // state: "in sync", "drift", "not compared"
};

struct DeviceDrift {
    const Job *job = nullptr;
    bool read = false;
    std::string error;
    std::vector<Verdict> keys;
    size_t drifted = 0;
};

// The read gave the device's settings; false with why it did not.
bool WasRead(const Job &j, int result, const Pairs &pairs, std::string &error) {
    std::string reported;
    FindPair(pairs, "TYPE", reported);
    if (result != VD_OK) error = j.target.addr.text + ": device did not answer";
    else if (TypeAgrees(j.target, reported, error)) return true;
    return false;
}

void Judge(const Job &j, const Pairs &held, DeviceDrift &d) {
    d.read = true;
    for (const Setting &s : CheckSettings(j.target.type, held, j.settings)) {
        std::string value;
        const bool shown = FindPair(held, s.key, value);
        Verdict v{s.key, Shown(s.key, s.value), shown ? Shown(s.key, value) : "-", "in sync"};
        // A read shows no password: it cannot be compared.
        if (IsSecretKey(s.key)) v.state = "not compared";
        else if (s.verdict != VR_UNCHANGED) v.state = "drift";
        d.drifted += v.state == "drift";
        d.keys.push_back(v);
    }
}

int Report(const Printer &out, const std::vector<DeviceDrift> &all, const DeviceBatch &batch) {
    size_t drifted = 0, unread = 0;
    JsonValue devices = JsonValue::array();
    std::vector<Row> rows;
    for (const DeviceDrift &d : all) {
        drifted += d.drifted > 0;
        unread += !d.read;
        const std::string result = !d.read ? "not read" : d.drifted ? "drift" : "in sync";
        JsonValue keys = JsonValue::array();
        for (const Verdict &v : d.keys) {
            keys.push_back(JsonValue::object({{"key", v.key}, {"plan", v.plan}, {"device", v.held}, {"state", v.state}}));
            rows.push_back({d.job->label, v.key, v.plan, v.held, v.state});
        }
        if (!d.read) rows.push_back({d.job->label, "-", "-", "-", "not read: " + d.error});
        JsonValue one = JsonValue::object({{"device", d.job->label}, {"type", d.job->target.type},
                                           {"plan", d.job->where}, {"result", result}, {"keys", keys}});
        if (!d.read) one["error"] = d.error;
        devices.push_back(one);
    }
    const std::string summary = std::to_string(all.size()) + (all.size() == 1 ? " device: " : " devices: ") +
                                std::to_string(drifted) + " drifted, " + std::to_string(unread) + " not read";
    out.Document(JsonValue::object(
        {{"devices", devices}, {"drifted", drifted}, {"summary", summary}, {"wire", batch.Wire()}}));
    out.Table({"DEVICE", "KEY", "PLAN", "DEVICE HOLDS", "STATE"}, rows);
    out.Line(summary);
    if (Interrupted()) return kExitInterrupted;
    return unread ? kExitFailed : drifted ? kExitDrift : kExitOk;
}

int Drift(const Args &args, const Printer &out) {
    PlanRun run;
    int status = 0;
    if (!ReadPlanRun(args, out, run, status)) return status;
    std::string error;
    std::vector<Job> jobs;
    Fleet fleet(args, out);
    // A read needs no password: none is asked for, and the plan's is not used.
    const std::string none;
    const auto search = [&] { return SearchDevices("", int(run.waitMs)); };
    if (!ResolveJobs(run.plan, &none, search, fleet, jobs, error)) return out.Fail(run.path + ": " + error, 0, kExitUsage);

    std::vector<DeviceDrift> all(jobs.size());
    std::vector<BatchItem> items;
    std::vector<size_t> picked;
    for (size_t i = 0; i < jobs.size(); ++i) {
        all[i].job = &jobs[i];
        all[i].error = jobs[i].outcome == Outcome::Pending ? "interrupted before it was read" : jobs[i].detail;
        if (jobs[i].outcome != Outcome::Pending) continue;
        picked.push_back(i);
        items.push_back(SettingsItem(jobs[i].target));
    }
    fleet.Hold();
    DeviceBatch batch(run.atOnce);
    batch.Run(
        items, Interrupted,
        [&](size_t k, int result, const Pairs &held) {
            DeviceDrift &d = all[picked[k]];
            if (!WasRead(*d.job, result, held, d.error)) return;
            fleet.Read(d.job->target, held);
            // Every read of a drift check is kept, so that a drift can be traced to when it began.
            fleet.Snapshot(d.job->target, held);
            Judge(*d.job, held, d);
        },
        [&] { fleet.Flush(); });
    fleet.Flush();
    return Report(out, all, batch);
}

int RunDrift(const Args &args, const Printer &out) {
    CatchInterrupt();
    return Drift(args, out);
}

// The program's standard input is its own: its plan comes from a file.
int HostedDrift(const Args &args, const Printer &out, const Hosted &) {
    if (args.Positionals()[0] == "-") return out.Fail("the plan is read from a file here, not '-'", 0, kExitUsage);
    return Drift(args, out);
}

CommandDef DriftDef() {
    CommandDef drift;
    drift.name = "drift";
    drift.synopsis = "PLAN";
    drift.summary = "tell, per device and key, whether the devices still hold what a plan says";
    drift.options = {{"--jobs", "N", "devices read at once (default " + std::to_string(kDefaultAtOnce) +
                                         ", fewer when the open-file limit is low)"},
                     {"--wait", "MS", "how long the search for the plan's devices collects (default 1000)"},
                     InterfaceOption()};
    for (const Option &o : FleetOptions()) drift.options.push_back(o);
    drift.details =
        "PLAN is a plan of 'vandrel apply' ('-': standard input). Each of its devices\n"
        "is read, and each key the plan gives it is compared with what the device\n"
        "holds, as 'set' compares them: in sync, drift, or not compared (a password,\n"
        "which a read does not show). Nothing is written and no password is needed.\n"
        "Exit status " + std::to_string(kExitDrift) + " when any device drifted and every one was read, 1 when a\n"
        "device could not be read, 0 when all hold the plan. Each device's settings\n"
        "read are kept as a snapshot in the fleet database ('vandrel snapshots').\n\n"
        "example:\n  vandrel drift plan.txt || vandrel apply plan.txt\n";
    drift.minPositionals = drift.maxPositionals = 1;
    return drift;
}

}  // namespace

std::vector<Command> DriftCommands() { return {{DriftDef(), RunDrift, HostedDrift}}; }

}  // namespace vdcli
