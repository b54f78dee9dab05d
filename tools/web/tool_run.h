// Everything the dashboard does to devices is done by the tool's own
// commands, each run with --json in a worker process of its own (the tool
// started anew, as apply's workers are): the page gets the same checks,
// messages and JSON shapes as the command line, and a slow device never holds
// up the server.
#ifndef VANDREL_WEB_TOOL_RUN_H
#define VANDREL_WEB_TOOL_RUN_H

#include <string>
#include <vector>

#include "json_read.h"
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

// Runs one command and waits for it.
ToolReply RunTool(const vdcli::WorkerTask &task);

}  // namespace vdweb

#endif
