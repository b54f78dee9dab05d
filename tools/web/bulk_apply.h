// The dashboard's bulk check and bulk apply of a plan: the tool's own apply
// (tools/cli/apply_devices.h), run in this process with every device of the
// plan at once (up to "jobs"), its audit rows naming the channel "web", the
// user who asked and the operation.
#ifndef VANDREL_WEB_BULK_APPLY_H
#define VANDREL_WEB_BULK_APPLY_H

#include <functional>
#include <string>

#include "dashboard.h"

namespace vdweb {

struct BulkPlan {
    JsonValue plan;  // as 'apply' reads it in JSON
    long long atOnce = 1;
    bool force = false;
    std::string user, operation;  // whom and which operation the audit rows name
};

// Checks every device of the plan as 'apply --dry-run' does: its document
// and exit status. Unless the check refused the plan or dryRun is set, then
// writes the devices with changes, and gives each device's row of apply's
// document to row: those that need no write at once, the others as each
// write ends.
ToolReply ApplyPlan(Dashboard &d, const BulkPlan &bulk, bool dryRun, const std::function<void(const ToolReply &)> &checked,
                    const std::function<void(const JsonValue &)> &row);

}  // namespace vdweb

#endif
