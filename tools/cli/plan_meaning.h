// A plan-wide setting goes to devices of both families, where the same key
// may take a different kind of value: C1_BAUD is a code of one byte on a
// family A device and the rate in bits per second on a family B one, so "9"
// means two things. Such a setting is refused on each device it reaches,
// with what each family takes, so that the plan gives it per device.
#ifndef VANDREL_CLI_PLAN_MEANING_H
#define VANDREL_CLI_PLAN_MEANING_H

#include <vector>

#include "apply_jobs.h"
#include "plan.h"

namespace vdcli {

// Marks Refused every pending job that a plan-wide setting of changed
// meaning reaches, with the reason among its refusals.
void RefuseChangedMeanings(const Plan &plan, std::vector<Job> &jobs);

}  // namespace vdcli

#endif
