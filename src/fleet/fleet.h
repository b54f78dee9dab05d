// Fleet: many device operations at once on one event loop, which a thread
// of the fleet's own drives. Operations on different devices run
// concurrently, each an exchange with its own pacing (core/device_exchange.h),
// all of them over the two sockets of the fleet's link (fleet/fleet_link.h);
// operations on one device wait for one another, in the order they were
// submitted. A write also waits, without holding up the loop, for the
// device's lock (net/platform.h), which other processes' writes of it take
// as well. A finished operation is told to the
// completion call (on the fleet's thread, without the fleet's lock held),
// queued for TakeCompleted (the completion handle has input while one is
// queued) and wakes Wait. Every call but the destructor may come from any
// thread, the completion call included.
#ifndef VANDREL_FLEET_FLEET_H
#define VANDREL_FLEET_FLEET_H

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "core/device_exchange.h"
#include "fleet/fleet_link.h"
#include "fleet/search_finds.h"
#include "net/event_loop.h"
#include "net/platform.h"

namespace vd {

// The result of an operation that has not ended.
constexpr int32_t kPending = -1;
// The result asked of an operation the fleet does not hold.
constexpr int32_t kUnknownOperation = -2;

class Fleet {
public:
    using OperationId = uint64_t;
    using Completion = std::function<void(OperationId, int32_t)>;

    explicit Fleet(Completion completion);
    // Stops the thread; operations still running end unfinished.
    ~Fleet();
    Fleet(const Fleet &) = delete;
    Fleet &operator=(const Fleet &) = delete;

    // False when the thread, the wake signals or the sockets could not start.
    bool Started() const { return m_started; }
    // Queues the job; its deadline runs from now, queueing included.
    OperationId Submit(DeviceJob job);
    int32_t Result(OperationId op);
    // Waits at most timeout for the operation to end; its result.
    int32_t Wait(OperationId op, std::chrono::milliseconds timeout);
    // Pair index of an operation that has ended, copied alone (a host walks
    // thousands of them); false for one that has not, or past its last.
    bool Pair(OperationId op, size_t index, std::pair<std::string, std::string> &out);
    // The value of key among the pairs of an operation that has ended; false
    // for one that has not, or without key.
    bool Value(OperationId op, const std::string &key, std::string &out);
    // The oldest answer of search op not yet taken, while it runs or after;
    // false when none is waiting or op is no search.
    bool TakeFound(OperationId op, DeviceRecord &out);
    // The oldest ended operation not yet taken, 0 when there is none.
    OperationId TakeCompleted();
    net::SocketHandle CompletionHandle() const { return m_completed.waitEnd; }
    // Forgets an operation that has ended, taken or not.
    void Release(OperationId op);
    // The wire counts of every operation that has ended, added up.
    WireCounts Counts();

private:
    struct Operation {
        DeviceJob job;
        std::chrono::steady_clock::time_point end;
        // While it runs.
        std::unique_ptr<DeviceExchange> exchange;
        // A write's, from its start to its end.
        std::unique_ptr<net::DeviceLock> lock;
        // A search's answers, from its submission until it is released.
        std::shared_ptr<SearchFinds> finds;
        int32_t result = kPending;
        KeyValues pairs;
    };

    void Run();
    // Under the lock, on the fleet's thread: starts the operation, or ends
    // it at once when it cannot start.
    void Begin(OperationId op, std::vector<std::pair<OperationId, int32_t>> &ended);
    void End(OperationId op, int32_t result, std::vector<std::pair<OperationId, int32_t>> &ended);
    // False while another holds the lock a write of the device needs.
    bool TakeLock(Operation &operation);
    // Under the lock: begins again the writes that found their device's
    // lock held, once their next try is due; when the loop's turn should end.
    std::chrono::steady_clock::time_point RetryLocks(std::vector<std::pair<OperationId, int32_t>> &ended);

    Completion m_completion;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::map<OperationId, Operation> m_operations;
    // The operations of each device, the running one first.
    std::map<std::string, std::deque<OperationId>> m_devices;
    std::unordered_map<net::Exchange *, OperationId> m_running;
    std::vector<OperationId> m_submitted;
    std::vector<OperationId> m_lockWaits;
    std::chrono::steady_clock::time_point m_nextLockTry;
    std::deque<OperationId> m_completedQueue;
    OperationId m_lastId = 0;
    WireCounts m_counts;
    bool m_stopping = false;
    bool m_started = false;
    net::WakePair m_wake;
    net::WakePair m_completed;
    net::EventLoop m_loop;
    FleetLink m_link;
    std::thread m_thread;
};

}  // namespace vd

#endif
