// The check and the write of an apply's devices, all at once on one
// DeviceBatch, and the document that reports them: the tool's apply runs
// them, and so do the dashboard's bulk apply and its check.
#ifndef VANDREL_CLI_APPLY_DEVICES_H
#define VANDREL_CLI_APPLY_DEVICES_H

#include <functional>
#include <vector>

#include "apply_jobs.h"
#include "device_batch.h"
#include "fleet.h"

namespace vdcli {

// What a phase is given besides its jobs: whether refused keys are sent
// anyway (--force), where reads and writes are recorded, when to start no
// further device, and what to tell as each device ends.
struct ApplyRun {
    DeviceBatch &batch;
    Fleet &fleet;
    bool force = false;
    std::function<bool()> stop;
    std::function<void(const Job &)> ended;
};

// Reads every Pending job's device and judges its settings as 'set
// --dry-run' does: ToChange (with the changes), Unchanged, Refused (with
// why) or Failed; NotDone for those that stop left unread.
void CheckJobs(const ApplyRun &run, std::vector<Job> &jobs);

// Writes every ToChange job's changes, confirmed by the fleet's read back,
// and reports each key as 'set --verify' does: Ok, or Failed with why;
// NotDone for those that stop left unwritten. Each key sent is a row of
// the audit trail.
void WriteJobs(const ApplyRun &run, std::vector<Job> &jobs);

const char *OutcomeName(Outcome o);
// "2 ok, 1 failed": the count of each outcome.
std::string Summary(const std::vector<Job> &jobs);
// A job as the document lists it: device, type, plan, result, detail,
// refused, changes.
JsonValue JobJson(const Job &j);
JsonValue ApplyDocument(const std::vector<Job> &jobs, bool dryRun, bool interrupted);
// 130 when interrupted, 2 when any was refused, 1 when any failed or was not
// found, else 0.
int ApplyStatus(const std::vector<Job> &jobs, bool interrupted);

}  // namespace vdcli

#endif
