#include "bulk_apply.h"

#include "apply_devices.h"
#include "plan_meaning.h"
#include "records.h"
#include "status.h"

namespace vdweb {

namespace {

// How long the search for a plan's devices named by MAC waits, as 'apply'.
constexpr int kSearchWaitMs = 1000;

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
    if (!d.memory.Recording(bulk.user, bulk.operation, args, error)) return Refused(checked, error);
    const vdcli::Printer out("web", true);
    vdcli::Fleet fleet(args, out);
    // A device whose plan gives no password gets the plan's, else none.
    std::vector<vdcli::Job> jobs;
    // The tool's own search, kept in the database as 'search' keeps it.
    const auto search = [&] {
        const std::vector<vdcli::FoundDevice> found = vdcli::SearchDevices("", kSearchWaitMs);
        vdcli::RecordSeen(args, out, found);
        return found;
    };
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
