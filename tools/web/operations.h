// Operations on many devices (apply, restart, firmware) run in the
// background, their devices served by worker processes; the page follows
// each one's progress and gets its result table, one row a device as apply
// prints it.
#ifndef VANDREL_WEB_OPERATIONS_H
#define VANDREL_WEB_OPERATIONS_H

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "events.h"
#include "json_read.h"
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

    // Starts body on a thread of its own; returns the operation's number.
    int Start(const std::string &kind, std::function<void(OperationLog &)> body);
    // {"id", "kind", "total", "done", "finished", "summary", "devices": rows}.
    JsonValue State(int id) const;
    JsonValue All() const;

private:
    struct Operation {
        int id = 0;
        JsonValue doc;  // the state the page gets
    };
    class Log;
    // An operation's thread; done is set as its last step.
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    // Joins the threads whose operations have finished, so that a dashboard
    // that runs for months holds only the threads still at work.
    void ReleaseFinishedLocked();

    Counters &m_counters;
    Events &m_events;
    mutable std::mutex m_mutex;
    std::list<Operation> m_operations;  // the latest kKept
    std::list<Worker> m_workers;
    int m_next = 1;
};

}  // namespace vdweb

#endif
