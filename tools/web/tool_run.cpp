#include "tool_run.h"

#include <algorithm>

namespace vdweb {

vdcli::WorkerTask ToolTask(std::vector<std::string> args, std::string input, std::string password) {
    vdcli::WorkerTask t;
    t.args = std::move(args);
    // Before a "--" that ends the options, if there is one.
    t.args.insert(std::find(t.args.begin(), t.args.end(), "--"), "--json");
    t.input = std::move(input);
    t.password = std::move(password);
    return t;
}

ToolReply ReplyOf(const vdcli::WorkerResult &r) {
    ToolReply reply;
    reply.status = r.status;
    std::string ignored;
    if (vdcli::ParseJson(r.out, reply.doc, ignored)) return reply;
    // No document (a worker that could not start, or was ended): its last
    // words on standard error are the message.
    std::string err = r.err;
    while (!err.empty() && err.back() == '\n') err.pop_back();
    const size_t line = err.rfind('\n');
    err = err.substr(line == std::string::npos ? 0 : line + 1);
    reply.doc = JsonValue::object();
    reply.doc["error"] = err.empty() ? "exit status " + std::to_string(r.status) : err;
    reply.doc["code"] = 0;
    return reply;
}

ToolReply RunTool(const vdcli::WorkerTask &task) {
    ToolReply reply;
    vdcli::RunWorkers({task}, 1, [] { return false; },
                      [&](size_t, const vdcli::WorkerResult &r) { reply = ReplyOf(r); });
    return reply;
}

}  // namespace vdweb
