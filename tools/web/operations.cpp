#include "operations.h"

#include <algorithm>
#include <map>

namespace vdweb {

namespace {

constexpr size_t kKept = 20;

std::string Summary(const JsonValue &rows) {
    std::map<std::string, size_t> counts;
    for (const JsonValue &r : rows) ++counts[r.value("result", "")];
    std::string summary;
    for (const auto &c : counts) summary += (summary.empty() ? "" : ", ") + std::to_string(c.second) + " " + c.first;
    return summary;
}

}  // namespace

class Operations::Log : public OperationLog {
public:
    Log(Operations &owner, int id, std::string kind) : m_owner(owner), m_id(id), m_kind(std::move(kind)) {}
    void Total(size_t devices) override {
        Change([&](JsonValue &doc) { doc["total"] = devices; });
    }
    void Row(JsonValue row) override {
        m_owner.m_counters.Operation(m_kind, row.value("result", ""));
        Change([&](JsonValue &doc) {
            doc["devices"].push_back(std::move(row));
            doc["done"] = doc["devices"].size();
            doc["summary"] = Summary(doc["devices"]);
        });
    }
    void Set(const std::string &key, JsonValue value) override {
        Change([&](JsonValue &doc) { doc[key] = std::move(value); });
    }
    void Finish() {
        Change([&](JsonValue &doc) { doc["finished"] = true; });
    }

private:
    template <class F> void Change(F f) {
        {
            std::lock_guard<std::mutex> lock(m_owner.m_mutex);
            for (Operation &o : m_owner.m_operations)
                if (o.id == m_id) f(o.doc);
        }
        m_owner.m_events.Notify();
    }

    Operations &m_owner;
    int m_id;
    std::string m_kind;
};

Operations::~Operations() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.clear();
    }
    for (Worker &w : m_workers) w.thread.join();
}

void Operations::ReleaseFinishedLocked() {
    for (auto w = m_workers.begin(); w != m_workers.end();) {
        if (!*w->done) {
            ++w;
            continue;
        }
        w->thread.join();
        w = m_workers.erase(w);
    }
}

void Operations::RunQueued(std::atomic<bool> &done) {
    for (;;) {
        Pending next;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_queue.empty()) {
                --m_running;
                done = true;
                return;
            }
            next = std::move(m_queue.front());
            m_queue.pop_front();
        }
        Log log(*this, next.id, next.kind);
        log.Set("queued", false);
        next.body(log);
        log.Finish();
    }
}

int Operations::Start(const std::string &kind, const std::string &user, std::function<void(OperationLog &)> body) {
    int id = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ReleaseFinishedLocked();
        const bool wait = m_running >= kOperationsAtOnce;
        if (wait && m_queue.size() >= kMaxQueuedOperations) return 0;
        id = m_next++;
        Operation o;
        o.id = id;
        o.doc = {{"id", id}, {"kind", kind}, {"user", user}, {"total", 0}, {"done", 0}, {"finished", false},
                 {"queued", wait},
                 {"summary", ""}, {"devices", JsonValue::array()}};
        m_operations.push_back(std::move(o));
        // The oldest finished one makes room: one waiting or at work stays.
        const auto finished = std::find_if(m_operations.begin(), m_operations.end(),
                                           [](const Operation &op) { return op.doc.value("finished", false); });
        if (m_operations.size() > kKept && finished != m_operations.end()) m_operations.erase(finished);
        m_queue.push_back({id, kind, std::move(body)});
        if (!wait) {
            ++m_running;
            auto done = std::make_shared<std::atomic<bool>>(false);
            m_workers.push_back({std::thread([this, done] { RunQueued(*done); }), done});
        }
    }
    m_events.Notify();
    return id;
}

JsonValue Operations::State(int id) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const Operation &o : m_operations)
        if (o.id == id) return o.doc;
    return JsonValue();
}

JsonValue Operations::All() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    JsonValue all = JsonValue::array();
    for (const Operation &o : m_operations) all.push_back(o.doc);
    return all;
}

}  // namespace vdweb
