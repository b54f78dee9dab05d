#include "apply_devices.h"

#include <algorithm>
#include <map>

#include "interrupt.h"
#include "status.h"

namespace vdcli {

namespace {

// A change as set's document gives it; result, when given, is what the
// write made of it.
JsonValue ChangeJson(const Setting &s, const std::string *result) {
    // A password's change shows as kChangedSecret, now and new alike.
    const std::string from = Shown(s.key, s.current, kChangedSecret), to = Shown(s.key, s.value, kChangedSecret);
    JsonValue c = JsonValue::object({{"key", s.key}, {"from", s.shown ? JsonValue(from) : JsonValue()}, {"to", to}});
    if (s.stored != s.value) c["stored"] = Shown(s.key, s.stored);
    if (result) c["result"] = *result;
    return c;
}

void Refuse(Job &j, const std::vector<Setting> &checks) {
    j.outcome = Outcome::Refused;
    j.send.clear();
    for (const Setting &s : checks) {
        if (s.problem.empty()) continue;
        j.refusals.push_back(s.problem);
        j.detail += (j.detail.empty() ? "" : ", ") + s.key;
    }
    j.detail += " refused";
}

// The plan's settings judged against the device's read, as set judges them.
void Judge(Job &j, bool force) {
    Pairs wanted;
    // What the device is (TYPE, MAC, VERSION) is not a setting: skipped, as set skips it in a file.
    for (const auto &p : j.settings)
        if (!IsIdentityKey(p.first)) wanted.push_back(p);
    std::vector<Setting> checks = CheckSettings(j.target.type, j.held, wanted);
    std::vector<std::string> warnings;
    bool refused = false;
    for (Setting &s : checks) {
        if (s.verdict == VR_UNCHANGED) continue;
        if (!s.problem.empty()) {
            // A NUL would end the value where it becomes a C string: not even --force sends it.
            refused = refused || !force || s.value.find('\0') != std::string::npos;
            warnings.push_back("sent anyway: " + s.problem);
        }
        j.send.push_back(s);
    }
    if (refused) return Refuse(j, checks);
    for (const Setting &s : j.send) j.changes.push_back(ChangeJson(s, nullptr));
    j.outcome = j.send.empty() ? Outcome::Unchanged : Outcome::ToChange;
    j.detail = j.send.empty() ? "holds the plan's values" : std::to_string(j.send.size()) + " to change";
    for (const std::string &w : warnings) j.detail += "; " + w;
}

void Checked(const ApplyRun &run, Job &j, int result, const Pairs &pairs) {
    std::string reported, why;
    FindPair(pairs, "TYPE", reported);
    j.outcome = Outcome::Failed;
    if (result != VD_OK) j.detail = result == VD_WRONG_FAMILY ? CodeMessage(result) : "device did not answer";
    else if (!TypeAgrees(j.target, reported, why)) j.detail = why;
    if (result != VD_OK || !why.empty()) return;
    run.fleet.Read(j.target, pairs);
    j.held = pairs;
    FindPair(pairs, "MAC", j.mac);
    Judge(j, run.force);
}

// One audit row a key sent: a family B write that did not take is written
// back whole.
void Record(const ApplyRun &run, const Job &j, int result, const Pairs &notTaken) {
    const bool allUndone = result == VD_FAIL && FamilyOf(j.target.type) == Family::B;
    std::vector<vdfleet::AuditRow> rows;
    for (const Setting &s : j.send) {
        vdfleet::AuditRow r;
        r.key = s.key;
        r.before = s.shown ? Shown(s.key, s.current, kChangedSecret) : "";
        r.after = Shown(s.key, s.value, kChangedSecret);
        std::string ignored;
        r.confirmed = !allUndone && !FindPair(notTaken, s.key, ignored);
        rows.push_back(r);
    }
    run.fleet.Audit(j.target, j.mac, rows);
}

// A write the fleet confirmed: every key as the check said it would be stored.
void Confirmed(const ApplyRun &run, Job &j) {
    j.outcome = Outcome::Ok;
    j.detail = std::to_string(j.send.size()) + " written and read back";
    j.changes = JsonValue::array();
    Pairs after = j.held;
    for (const Setting &s : j.send) {
        const std::string result = s.stored == s.value ? "stored" : "stored as " + Shown(s.key, s.stored);
        j.changes.push_back(ChangeJson(s, &result));
        auto held = std::find_if(after.begin(), after.end(), [&](const auto &p) { return p.first == s.key; });
        if (held != after.end()) held->second = s.stored;
        else after.emplace_back(s.key, s.stored);
    }
    run.fleet.Read(j.target, after);
}

void Written(const ApplyRun &run, Job &j, int result, const Pairs &notTaken) {
    if (result == VD_OK || result == VD_FAIL) Record(run, j, result, notTaken);
    if (result == VD_OK) return Confirmed(run, j);
    j.outcome = Outcome::Failed;
    if (result != VD_FAIL) {
        j.detail = CodeMessage(result) + "; nothing written";
        return;
    }
    std::string list;
    for (const auto &p : notTaken) list += " " + p.first;
    j.detail = FamilyOf(j.target.type) == Family::B
                   ? "not confirmed by reading the device back:" + list +
                         "; what was written was written back and the device not restarted; nothing written"
                   : "written; not confirmed by reading the device back:" + list;
}

using Take = void (*)(const ApplyRun &, Job &, int, const Pairs &);

// Runs the jobs that are in: a read each, or a write of what its check
// would send; those that stop left alone are NotDone.
void RunPhase(const ApplyRun &run, std::vector<Job> &jobs, Outcome in, const char *done, Take take) {
    std::vector<size_t> picked;
    std::vector<BatchItem> items;
    for (size_t i = 0; i < jobs.size(); ++i) {
        if (jobs[i].outcome != in) continue;
        picked.push_back(i);
        items.push_back(SettingsItem(jobs[i].target, jobs[i].password));
        for (const Setting &s : jobs[i].send) items.back().pairs.emplace_back(s.key, s.value);
    }
    run.fleet.Hold();
    run.batch.Run(
        items, run.stop,
        [&](size_t k, int result, const Pairs &pairs) {
            take(run, jobs[picked[k]], result, pairs);
            if (run.ended) run.ended(jobs[picked[k]]);
        },
        [&] { run.fleet.Flush(); });
    run.fleet.Flush();
    for (size_t i : picked)
        if (jobs[i].outcome == in) {
            jobs[i].outcome = Outcome::NotDone;
            jobs[i].detail = "interrupted before it was " + std::string(done);
        }
}

}  // namespace

void CheckJobs(const ApplyRun &run, std::vector<Job> &jobs) {
    RunPhase(run, jobs, Outcome::Pending, "checked", Checked);
}

void WriteJobs(const ApplyRun &run, std::vector<Job> &jobs) {
    RunPhase(run, jobs, Outcome::ToChange, "written", Written);
}

const char *OutcomeName(Outcome o) {
    switch (o) {
    case Outcome::Pending: return "pending";
    case Outcome::ToChange: return "to change";
    case Outcome::Unchanged: return "unchanged";
    case Outcome::Ok: return "ok";
    case Outcome::Failed: return "failed";
    case Outcome::NotFound: return "not found";
    case Outcome::Refused: return "refused";
    case Outcome::NotDone: return "not done";
    }
    return "";
}

std::string Summary(const std::vector<Job> &jobs) {
    std::map<Outcome, size_t> counts;
    for (const Job &j : jobs) ++counts[j.outcome];
    std::string summary;
    for (Outcome o : {Outcome::Ok, Outcome::ToChange, Outcome::Unchanged, Outcome::Failed, Outcome::NotFound,
                      Outcome::Refused, Outcome::NotDone})
        if (counts[o]) summary += std::string(summary.empty() ? "" : ", ") + std::to_string(counts[o]) + " " + OutcomeName(o);
    return summary;
}

JsonValue JobJson(const Job &j) {
    JsonValue d = JsonValue::object({{"device", j.label},
                                     {"type", j.target.type},
                                     {"plan", j.where},
                                     {"result", OutcomeName(j.outcome)},
                                     {"detail", j.detail}});
    if (!j.refusals.empty()) d["refused"] = j.refusals;
    d["changes"] = j.changes;
    return d;
}

JsonValue ApplyDocument(const std::vector<Job> &jobs, bool dryRun, bool interrupted) {
    JsonValue devices = JsonValue::array();
    for (const Job &j : jobs) devices.push_back(JobJson(j));
    return JsonValue::object(
        {{"dry_run", dryRun}, {"interrupted", interrupted}, {"devices", devices}, {"summary", Summary(jobs)}});
}

int ApplyStatus(const std::vector<Job> &jobs, bool interrupted) {
    std::map<Outcome, size_t> counts;
    for (const Job &j : jobs) ++counts[j.outcome];
    if (interrupted) return kExitInterrupted;
    if (counts[Outcome::Refused]) return kExitUsage;
    return counts[Outcome::Failed] || counts[Outcome::NotFound] ? kExitFailed : kExitOk;
}

}  // namespace vdcli
