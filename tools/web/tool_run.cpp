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

std::shared_ptr<void> WorkerSlots::Take(size_t n, size_t &taken) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_freed.wait(lock, [&] { return m_taken < kMaxWorkers; });
    n = std::min(std::max<size_t>(n, 1), kMaxWorkers - m_taken);
    m_taken += n;
    taken = n;
    return std::shared_ptr<void>(this, [this, n](void *) {
        {
            std::lock_guard<std::mutex> given(m_mutex);
            m_taken -= n;
        }
        m_freed.notify_all();
    });
}

ToolReply RunHere(WorkerSlots &slots, const std::vector<std::string> &words, const vdcli::Hosted &hosted) {
    size_t taken = 0;
    const std::shared_ptr<void> place = slots.Take(1, taken);
    ToolReply reply;
    reply.status = vdcli::RunInProcess(words, hosted, reply.doc);
    return reply;
}

ToolReply RunTool(WorkerSlots &slots, const vdcli::WorkerTask &task) {
    ToolReply reply;
    RunTools(slots, {task}, 1, [&](size_t, const vdcli::WorkerResult &r) { reply = ReplyOf(r); });
    return reply;
}

void RunTools(WorkerSlots &slots, const std::vector<vdcli::WorkerTask> &tasks, int jobs,
              const std::function<void(size_t, const vdcli::WorkerResult &)> &done) {
    if (tasks.empty()) return;
    size_t places = 0;
    const std::shared_ptr<void> taken = slots.Take(std::min(size_t(std::max(jobs, 1)), tasks.size()), places);
    vdcli::RunWorkers(tasks, int(places), [] { return false; }, done);
}

}  // namespace vdweb
