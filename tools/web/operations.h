// Operations on many devices (apply, restart, firmware) run in the
// background, each on a thread of its own; the page follows
// each one's progress and gets its result table, one row a device as apply
// prints it. At most kOperationsAtOnce run at once; the others wait their
// turn ("queued": true), up to kMaxQueuedOperations.
#ifndef VANDREL_WEB_OPERATIONS_H
#define VANDREL_WEB_OPERATIONS_H

#include <atomic>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "events.h"
#include "json_read.h"
#include "web_limits.h"
#include "metrics.h"

namespace vdweb {

using vdcli::JsonValue;

// What an operation's body reports through.
class OperationLog {
public:
    virtual ~OperationLog() = default;
    virtual void Total(size_t devices) = 0;
    // One device's row: {"device", "type", "result", "detail", ...}.
    virtual void Row(JsonValue row) = 0;
    // Any other part of the operation's document ("check": the dry run).
    virtual void Set(const std::string &key, JsonValue value) = 0;
};

class Operations {
public:
    Operations(Counters &counters, Events &events) : m_counters(counters), m_events(events) {}
    ~Operations();

    // Starts body, or queues it behind those running; returns the
    // operation's number, or 0 when the queue is full. user: who asked.
    int Start(const std::string &kind, const std::string &user, std::function<void(OperationLog &)> body);
    // {"id", "kind", "user", "total", "done", "finished", "summary", "devices": rows}.
    JsonValue State(int id) const;
    JsonValue All() const;

private:
    struct Operation {
        int id = 0;
        JsonValue doc;  // the state the page gets
    };
    class Log;
    struct Pending {
        int id = 0;
        std::string kind;
        std::function<void(OperationLog &)> body;
    };
    // A thread that runs the queued operations one after another; done is
    // set as its last step, once the queue is empty.
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    // Joins the threads whose operations have finished, so that a dashboard
    // that runs for months holds only the threads still at work.
    void ReleaseFinishedLocked();
    void RunQueued(std::atomic<bool> &done);

    Counters &m_counters;
    Events &m_events;
    mutable std::mutex m_mutex;
    std::list<Operation> m_operations;  // the latest kKept finished, and all others
    std::list<Worker> m_workers;
    std::deque<Pending> m_queue;
    size_t m_running = 0;  // workers still taking from the queue
    int m_next = 1;
};

}  // namespace vdweb

#endif
