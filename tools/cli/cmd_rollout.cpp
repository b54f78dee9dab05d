// vandrel firmware rollout and vandrel firmware status: firmware across a
// fleet in waves, a canary first, stopped when its failures pass a limit,
// its state in the fleet database so that it resumes after a crash.
#include <algorithm>
#include <map>

#include "commands.h"
#include "fleet.h"
#include "image_check.h"
#include "options.h"
#include "rollout_rules.h"
#include "rollout_select.h"
#include "rollout_wave.h"
#include "run_lock.h"
#include "status.h"

namespace vdcli {

namespace {

int Count(const std::vector<vdfleet::RolloutDevice> &devices, const std::string &state) {
    return int(std::count_if(devices.begin(), devices.end(), [&](const auto &d) { return d.state == state; }));
}

// The devices tried so far: those a download went to, or was refused.
int Tried(const std::vector<vdfleet::RolloutDevice> &devices) {
    return int(std::count_if(devices.begin(), devices.end(), [](const auto &d) {
        return d.state == "failed" || (d.state == "updated" && d.before != d.after);
    }));
}

// A new rollout's plan and devices, recorded; false with the exit status.
bool Plan(const Args &args, const Printer &out, vdfleet::FleetDb &db, Rollout &r, int &status) {
    const std::vector<std::string> files(args.Positionals().begin(), args.Positionals().end());
    unsigned long long bytes = 0;
    if (!CheckImages(files, out, status, bytes)) return false;
    if (!ParseVersion(args.Value("--expect-version"), r.expected))
        return (status = out.Fail("--expect-version takes the images' version, such as 1.06", 0, kExitUsage)), false;
    long long canary = 1;
    if (!ParseNumber(args.Value("--canary", "1"), 1, kMaxWave, canary))
        return (status = out.Fail("--canary takes 1 to " + std::to_string(kMaxWave), 0, kExitUsage)), false;
    std::vector<RolloutCandidate> chosen;
    if (!SelectDevices(args, out, chosen, status)) return false;
    std::vector<std::string> downgrades;
    for (const RolloutCandidate &c : chosen)
        if (c.version > r.expected) downgrades.push_back(c.ip + " runs " + VersionText(c.version));
    if (!downgrades.empty() && !r.allowDowngrade) {
        downgrades.insert(downgrades.begin(), "refused: a downgrade to " + VersionText(r.expected) +
                                                  " (--allow-downgrade to make it); nothing was sent");
        return (status = out.Fail(downgrades, 0, kExitUsage)), false;
    }
    r.plan = {0, vdfleet::Now(), files, VersionText(r.expected), args.Value("--max-failures", "0"), "running",
              OperationOf(args), int(canary)};
    for (size_t i = 0; i < chosen.size(); ++i) {
        const RolloutCandidate &c = chosen[i];
        r.devices.push_back({int(i), WaveOf(int(i), int(canary)), c.type, c.ip, c.mac, "pending",
                             c.version < 0 ? "" : VersionText(c.version), "", r.plan.created});
    }
    std::string error;
    if (db.CreateRollout(r.plan, r.devices, error)) return true;
    status = out.Fail("cannot record the rollout in " + db.Path() + ": " + error, 0, kExitFailed);
    return false;
}

// The last rollout, to go on with; false with the exit status.
bool Resume(const Printer &out, vdfleet::FleetDb &db, Rollout &r, int &status) {
    std::string error;
    if (!db.LastRollout(r.plan, r.devices, error))
        return (status = out.Fail("cannot read " + db.Path() + ": " + error, 0, kExitFailed)), false;
    if (r.plan.id == 0 || r.plan.state == "done")
        return (status = out.Fail("no rollout to resume: the last is done, or none was made", 0, kExitUsage)), false;
    if (r.plan.state == "aborted" || r.plan.state == "aborting")
        return (status = out.Fail("no rollout to resume: the last was aborted", 0, kExitUsage)), false;
    if (!db.SetRolloutState(r.plan.id, "running", error))
        return (status = out.Fail("cannot record the rollout in " + db.Path() + ": " + error, 0, kExitFailed)), false;
    unsigned long long bytes = 0;
    if (!CheckImages(r.plan.images, out, status, bytes)) return false;
    ParseVersion(r.plan.expectVersion, r.expected);
    return true;
}

// Whether the rollout was asked to stop before this wave (a pause or an
// abort from the dashboard); it then takes the state asked for, and status
// is the exit status.
bool StopAsked(const Printer &out, Rollout &r, int wave, int &status) {
    std::string state, error;
    if (!r.db.RolloutState(r.plan.id, state, error)) {
        status = out.Fail("cannot read " + r.db.Path() + ": " + error, 0, kExitFailed);
        return true;
    }
    if (state != "pausing" && state != "aborting") return false;
    const bool pause = state == "pausing";
    r.db.SetRolloutState(r.plan.id, pause ? "paused" : "aborted", error);
    const std::string left = std::to_string(Count(r.devices, "pending")) + " devices left untouched";
    status = pause ? out.Fail("paused before wave " + std::to_string(wave) + ": " + left + "; --resume goes on", 0,
                              kExitFailed)
                   : out.Fail("aborted before wave " + std::to_string(wave) + ": " + left, 0, kExitFailed);
    return true;
}

// Runs the waves in turn; the exit status.
int RunWaves(const Printer &out, Rollout &r, const FailureLimit &limit) {
    const int waves = r.devices.empty() ? 0 : r.devices.back().wave + 1;
    std::string error;
    for (int wave = 0; wave < waves; ++wave) {
        const bool fresh = std::any_of(r.devices.begin(), r.devices.end(),
                                       [&](const auto &d) { return d.wave == wave && d.state == "pending"; });
        if (fresh && Passed(limit, Count(r.devices, "failed"), Tried(r.devices))) {
            r.db.SetRolloutState(r.plan.id, "stopped", error);
            return out.Fail("stopped before wave " + std::to_string(wave) + ": " +
                                std::to_string(Count(r.devices, "failed")) + " failed, past --max-failures " +
                                r.plan.maxFailures + "; " + std::to_string(Count(r.devices, "pending")) +
                                " devices left untouched",
                            0, kExitFailed);
        }
        int status = 0;
        if (StopAsked(out, r, wave, status)) return status;
        out.Note("wave " + std::to_string(wave) + " ...");
        if (!WaveRun(r, out).Run(wave, error)) return out.Fail(error, 0, kExitFailed);
    }
    const int failed = Count(r.devices, "failed"), offline = Count(r.devices, "offline");
    r.db.SetRolloutState(r.plan.id, offline > 0 ? "running" : "done", error);
    out.Line(std::to_string(Count(r.devices, "updated")) + " updated, " + std::to_string(failed) + " failed, " +
             std::to_string(offline) + " offline" + (offline > 0 ? " (--resume tries them again)" : ""));
    return failed > 0 || offline > 0 ? kExitFailed : kExitOk;
}

int RunRollout(const Args &args, const Printer &out) {
    Fleet fleet(args, out);
    std::string error;
    vdfleet::FleetDb *db = fleet.Db(error);
    if (!db) return out.Fail("a rollout keeps its state in the fleet database: " + error, 0, kExitUsage);
    Rollout r{*db, fleet, {}, {}, 0, args.Has("--allow-downgrade"), 60000};
    long long wait = 60;
    if (!ParseNumber(args.Value("--restart-wait", "60"), 1, 3600, wait))
        return out.Fail("--restart-wait takes 1 to 3600 seconds", 0, kExitUsage);
    r.restartWaitMs = int(wait * 1000);
    int status = 0;
    const bool resume = args.Has("--resume");
    if (resume && !args.Positionals().empty()) return out.Fail("--resume takes no image files", 0, kExitUsage);
    if (!resume && !args.Has("--expect-version")) return out.Fail("--expect-version is needed", 0, kExitUsage);
    // Held to the end: a second runner, new or resuming, would download
    // beside this one's waves and record over its states.
    const RunLock lock(RolloutLockFile(db->Path()));
    if (lock.Taken() == RunLock::State::Busy)
        return out.Fail("another rollout is running on " + db->Path() + ": wait for it to stop, or pause it", 0,
                        kExitFailed);
    if (lock.Taken() == RunLock::State::Failed) return out.Fail(lock.Error(), 0, kExitFailed);
    if (!(resume ? Resume(out, *db, r, status) : Plan(args, out, *db, r, status))) return status;
    FailureLimit limit;
    if (!ParseFailureLimit(r.plan.maxFailures, limit))
        return out.Fail("--max-failures takes a count or a percentage, such as 2 or 10%", 0, kExitUsage);
    out.Note("rollout " + std::to_string(r.plan.id) + ": " + std::to_string(r.devices.size()) + " devices to " +
             r.plan.expectVersion);
    return RunWaves(out, r, limit);
}

int RunStatus(const Args &args, const Printer &out) {
    Fleet fleet(args, out);
    std::string error;
    vdfleet::FleetDb *db = fleet.Db(error);
    vdfleet::RolloutPlan plan;
    std::vector<vdfleet::RolloutDevice> devices;
    if (!db || !db->LastRollout(plan, devices, error)) return out.Fail("no fleet database: " + error, 0, kExitFailed);
    if (plan.id == 0) return out.Fail("no rollout yet", 0, kExitFailed);
    std::map<std::string, int> counts;
    for (const auto &d : devices) ++counts[d.state];
    if (out.Json()) {
        JsonValue doc = JsonValue::object({{"rollout", plan.id}, {"state", plan.state},
                                           {"expect_version", plan.expectVersion}, {"images", plan.images}});
        doc["devices"] = JsonValue::array();
        for (const auto &d : devices)
            doc["devices"].push_back(JsonValue::object({{"ip", d.ip}, {"wave", d.wave}, {"state", d.state},
                                                        {"before", d.before}, {"after", d.after}}));
        out.Document(doc);
        return kExitOk;
    }
    std::string tally;
    for (const auto &c : counts) tally += (tally.empty() ? "" : ", ") + std::to_string(c.second) + " " + c.first;
    out.Line("rollout " + std::to_string(plan.id) + ": " + plan.state + ", to " + plan.expectVersion + "; " + tally);
    std::vector<Row> rows;
    for (const auto &d : devices) rows.push_back({d.ip, std::to_string(d.wave), d.state, d.before, d.after});
    out.Table({"DEVICE", "WAVE", "STATE", "BEFORE", "AFTER"}, rows);
    return kExitOk;
}

CommandDef RolloutDef() {
    CommandDef rollout;
    rollout.name = "firmware rollout";
    rollout.synopsis = "FILE... --expect-version V | --resume";
    rollout.summary = "download firmware across a fleet in waves, a canary first";
    rollout.options = {
        {"--expect-version", "V", "the version the images carry (1.06), as a search reports it"},
        {"--plan", "FILE", "the devices of a plan (vandrel apply's), by IP or type"},
        {"--range", "A.B.C.D/N", "the devices a search of this range finds (else a broadcast search)"},
        {"--type", "N", "only devices of this type code"},
        {"--version", "V", "only devices that report this version now"},
        {"--canary", "N", "the first wave's devices (default 1); each wave after is twice the last"},
        {"--max-failures", "N|P%", "the failures it stands, a count or a percentage of those tried (default 0)"},
        {"--allow-downgrade", "", "go on where a device runs a later version than the images'"},
        {"--restart-wait", "S", "how long a device may take to come back (default 60 s)"},
        {"--resume", "", "go on with the last rollout where it was left"}};
    for (const Option &o : FleetOptions()) rollout.options.push_back(o);
    rollout.details =
        "Each device's version is read first: one already at V is left alone, and a\n"
        "device that runs a later one refuses the rollout unless --allow-downgrade.\n"
        "A wave's downloads run at once; each device is then restarted and its version\n"
        "read once it is back, and only a device reporting V counts as updated. A\n"
        "device that fails its download, never comes back or comes back with another\n"
        "version fails its wave; past --max-failures the rollout stops and leaves\n"
        "every later device untouched. A device that does not answer stays offline,\n"
        "pending for the next run. The plan and each device's state (pending,\n"
        "downloading, restarting, updated, failed, offline) are kept in the fleet\n"
        "database, and every download is a row of its audit trail: after a crash,\n"
        "--resume goes on without downloading again to a device whose download was\n"
        "whole. A pause or an abort asked from the dashboard is taken before the next\n"
        "wave; a paused rollout goes on with --resume, an aborted one does not. One\n"
        "rollout runs at a time on a fleet database: another, new or resumed, is\n"
        "refused while it runs. Exit status 1 when a device failed or stayed offline,\n"
        "the rollout was paused or aborted, or another was running.\n";
    return rollout;
}

int HostedRollout(const Args &args, const Printer &out, const Hosted &) { return RunRollout(args, out); }

}  // namespace

std::vector<Command> RolloutCommands() {
    CommandDef status;
    status.name = "firmware status";
    status.summary = "where the last firmware rollout stands, device by device";
    status.options = FleetOptions();
    status.maxPositionals = 0;
    return {{RolloutDef(), RunRollout, HostedRollout}, {status, RunStatus}};
}

}  // namespace vdcli
