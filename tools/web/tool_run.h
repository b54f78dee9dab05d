// The dashboard does to devices what the tool's own commands do, so the page
// gets the same checks, messages and JSON shapes as the command line. Reads,
// writes, drift checks and rollouts run in this process on fleets of the
// library (RunHere); what has no fleet form (a session, a download over TCP)
// runs with --json in a worker process of its own (the tool started anew),
// so a slow device never holds up the server. The places of WorkerSlots
// bound both together.
#ifndef VANDREL_WEB_TOOL_RUN_H
#define VANDREL_WEB_TOOL_RUN_H

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "commands.h"
#include "json_read.h"
#include "web_limits.h"
#include "workers.h"

namespace vdweb {

using vdcli::JsonValue;

struct ToolReply {
    int status = 0;  // the tool's exit status
    JsonValue doc;   // its --json document; {"error", "code"} when it printed none
};

// A command's task: args (--json is added), what it reads on standard input,
// and the device password, which goes by the environment, never the command line.
vdcli::WorkerTask ToolTask(std::vector<std::string> args, std::string input = "", std::string password = "");

// The worker's result as a reply.
ToolReply ReplyOf(const vdcli::WorkerResult &r);

// The worker processes the dashboard runs at once, every request and
// operation together: at most kMaxWorkers; the rest wait their turn.
class WorkerSlots {
public:
    // Takes up to n places, as many as are free, waiting until one is; sets
    // taken to their number. They are given back as the result is destroyed.
    std::shared_ptr<void> Take(size_t n, size_t &taken);

private:
    std::mutex m_mutex;
    std::condition_variable m_freed;
    size_t m_taken = 0;
};

// Runs words (a command's name first, then its arguments) in this process,
// in a place of slots, as vdcli::RunInProcess runs them.
ToolReply RunHere(WorkerSlots &slots, const std::vector<std::string> &words, const vdcli::Hosted &hosted = {});

// Runs one command in a worker, in a place of slots, and waits for it.
ToolReply RunTool(WorkerSlots &slots, const vdcli::WorkerTask &task);

// Runs the tasks, at most jobs at once (fewer when fewer places are free),
// and calls done with each task's index and result as it ends.
void RunTools(WorkerSlots &slots, const std::vector<vdcli::WorkerTask> &tasks, int jobs,
              const std::function<void(size_t, const vdcli::WorkerResult &)> &done);

}  // namespace vdweb

#endif
