#include "bulk_apply.h"

#include "apply_devices.h"
#include "bulk_commands.h"
#include "plan_meaning.h"
#include "status.h"

namespace vdweb {

namespace {

// The devices that answer a search, by the tool's own 'search' in a worker:
// the dashboard's process makes no VD_ calls of its own.
std::vector<vdcli::FoundDevice> Search(Dashboard &d, const std::string &user) {
    const ToolReply r = RunTool(d.workers, ToolTask(d.memory.Recorded({"search", "--wait", "1000"}, user)));
    std::vector<vdcli::FoundDevice> found;
    if (!r.doc.contains("devices") || !r.doc["devices"].is_array()) return found;
    for (const JsonValue &f : r.doc["devices"]) {
        vdcli::FoundDevice one;
        one.ip = f.value("ip", "");
        one.mac = f.value("mac", "");
        one.version = f.value("version", "");
        one.type = f.value("type", 0);
        found.push_back(one);
    }
    return found;
}

// A plan refused before any device is read: the check's reply.
ToolReply Refused(const std::function<void(const ToolReply &)> &checked, const std::string &error) {
    const ToolReply reply{vdcli::kExitUsage, JsonValue::object({{"error", "plan: " + error}, {"code", 0}})};
    if (checked) checked(reply);
    return reply;
}

}  // namespace

ToolReply ApplyPlan(Dashboard &d, const BulkPlan &bulk, bool dryRun, const std::function<void(const ToolReply &)> &checked,
                    const std::function<void(const JsonValue &)> &row) {
    vdcli::Plan plan;
    std::string error;
    if (!vdcli::ParsePlan(bulk.plan.dump(), plan, error)) return Refused(checked, error);
    if (plan.entries.empty()) return Refused(checked, "the plan names no device");
    vdcli::Args args;
    if (!RecordingArgs(d, bulk.user, bulk.operation, args, error)) return Refused(checked, error);
    const vdcli::Printer out("web", true);
    vdcli::Fleet fleet(args, out);
    // A device whose plan gives no password gets the plan's, else none.
    std::vector<vdcli::Job> jobs;
    const auto search = [&] { return Search(d, bulk.user); };
    if (!vdcli::ResolveJobs(plan, &plan.password, search, fleet, jobs, error)) return Refused(checked, error);
    if (!bulk.force) vdcli::RefuseChangedMeanings(plan, jobs);

    vdcli::DeviceBatch batch(bulk.atOnce);
    vdcli::ApplyRun run{batch, fleet, bulk.force, [] { return false; }, nullptr};
    vdcli::CheckJobs(run, jobs);
    const ToolReply check{vdcli::ApplyStatus(jobs, false), vdcli::ApplyDocument(jobs, true, false)};
    if (checked) checked(check);
    if (dryRun) return check;
    // Refused by the checks: nothing is written to any device.
    const bool refused = check.status == vdcli::kExitUsage;
    for (const vdcli::Job &j : jobs)
        if (refused || j.outcome != vdcli::Outcome::ToChange) row(vdcli::JobJson(j));
    if (refused) return check;
    run.ended = [&](const vdcli::Job &j) {
        const JsonValue one = vdcli::JobJson(j);
        d.fleet.NoteName(j.label, one);
        row(one);
    };
    vdcli::WriteJobs(run, jobs);
    d.counters.Wire(batch.Wire());
    return {vdcli::ApplyStatus(jobs, false), vdcli::ApplyDocument(jobs, false, false)};
}

}  // namespace vdweb
