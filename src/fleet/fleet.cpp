#include "fleet/fleet.h"

#include <algorithm>
#include <string>

#include "base/text.h"
#include "devices/family_a/family_a_exchange.h"
#include "devices/family_a/firmware/firmware_exchange.h"
#include "devices/family_a/restart_exchange.h"
#include "devices/family_b/family_b_exchange.h"
#include "fleet/command_exchange.h"
#include "fleet/search_exchange.h"
#include "vandrel.h"

namespace vd {

namespace {

using Clock = std::chrono::steady_clock;
using Ended = std::vector<std::pair<Fleet::OperationId, int32_t>>;

// The longest turn of the loop with nothing due: submissions and the stop
// raise its wake signal, so this only bounds an idle wait.
constexpr std::chrono::seconds kIdleTurn{1};
// How often a write tries again for a device lock another process holds.
constexpr std::chrono::milliseconds kLockRetry{20};

// One device, one name: a MAC text in any case. A search waits for no
// operation on a device, only for an earlier search of its address.
std::string DeviceKey(const DeviceJob &job) {
    return job.task == DeviceTask::Search ? "search " + job.address : UpperCase(job.address);
}

bool IsWrite(const DeviceJob &job) { return job.task == DeviceTask::Settings && !job.pairs.empty(); }

std::unique_ptr<DeviceExchange> ExchangeFor(const DeviceJob &job, DeviceLink &link,
                                            const std::shared_ptr<SearchFinds> &finds) {
    if (job.task == DeviceTask::Search) return std::make_unique<SearchExchange>(job, link, finds);
    if (job.task == DeviceTask::Command)
        return IsFamilyA(job.type) || IsFamilyB(job.type) ? std::make_unique<CommandExchange>(job, link) : nullptr;
    // Firmware is family A's alone.
    if (job.task != DeviceTask::Settings && !IsFamilyA(job.type)) return nullptr;
    if (job.task == DeviceTask::Download) return std::make_unique<FirmwareExchange>(job, link);
    if (job.task == DeviceTask::Restart) return std::make_unique<RestartExchange>(job, link);
    if (IsFamilyA(job.type)) return std::make_unique<FamilyAExchange>(job, link);
    if (const FamilyBModel *model = FindFamilyBModel(job.type))
        return std::make_unique<FamilyBExchange>(job, *model, link);
    return nullptr;
}

// The version as the exports hand it out.
void FormatVersion(KeyValues &pairs) {
    for (auto &pair : pairs)
        if (pair.first == "VERSION") {
            const int n = AtoI(pair.second) + 100;
            pair.second = Format("V%d.%02d", n / 100, n % 100);
        }
}

}  // namespace

Fleet::Fleet(Completion completion) : m_completion(std::move(completion)) {
    if (!net::OpenWakePair(m_wake) || !net::OpenWakePair(m_completed) || !m_link.Open()) return;
    m_link.ShareWith(m_loop);
    m_thread = std::thread([this] { Run(); });
    m_started = true;
}

Fleet::~Fleet() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_stopping = true;
        net::RaiseWake(m_wake);
    }
    if (m_thread.joinable()) m_thread.join();
    m_operations.clear();
    net::CloseWakePair(m_wake);
    net::CloseWakePair(m_completed);
}

Fleet::OperationId Fleet::Submit(DeviceJob job) {
    std::lock_guard<std::mutex> lock(m_lock);
    const OperationId op = ++m_lastId;
    Operation &operation = m_operations[op];
    operation.end = Clock::now() + job.deadline;
    // A family B device answers under its MAC in upper case.
    if (IsFamilyB(job.type)) job.address = UpperCase(job.address);
    if (job.task == DeviceTask::Search) operation.finds = std::make_shared<SearchFinds>();
    operation.job = std::move(job);
    m_submitted.push_back(op);
    net::RaiseWake(m_wake);
    return op;
}

void Fleet::Run() {
    Ended ended;
    Clock::time_point until = Clock::now() + kIdleTurn;
    for (;;) {
        const std::vector<net::Exchange *> finished = m_loop.Turn(until, m_wake.waitEnd);
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (m_stopping) return;
            net::LowerWake(m_wake);
            for (net::Exchange *exchange : finished) {
                const OperationId op = m_running[exchange];
                m_running.erase(exchange);
                End(op, m_operations[op].exchange->Result(), ended);
            }
            for (OperationId op : m_submitted) {
                std::deque<OperationId> &queue = m_devices[DeviceKey(m_operations[op].job)];
                queue.push_back(op);
                if (queue.size() == 1) Begin(op, ended);
            }
            m_submitted.clear();
            until = RetryLocks(ended);
        }
        for (const auto &end : ended)
            if (m_completion) m_completion(end.first, end.second);
        ended.clear();
    }
}

void Fleet::Begin(OperationId op, Ended &ended) {
    Operation &operation = m_operations[op];
    const auto left = operation.end - Clock::now();
    if (left <= Clock::duration::zero()) return End(op, VD_TIMEOUT, ended);
    if (IsWrite(operation.job) && !TakeLock(operation)) {
        m_lockWaits.push_back(op);
        return;
    }
    operation.job.deadline = std::chrono::ceil<std::chrono::milliseconds>(left);
    operation.exchange = ExchangeFor(operation.job, m_link, operation.finds);
    if (!operation.exchange) return End(op, VD_WRONG_FAMILY, ended);
    m_running[operation.exchange.get()] = op;
    m_loop.Add(*operation.exchange);
}

void Fleet::End(OperationId op, int32_t result, Ended &ended) {
    Operation &operation = m_operations[op];
    operation.result = result;
    // What it found is kept; its replies are no longer routed to it.
    if (operation.exchange) {
        operation.pairs = operation.exchange->Pairs();
        m_counts.resent += operation.exchange->Counts().resent;
        m_counts.duplicates += operation.exchange->Counts().duplicates;
        m_link.Forget(*operation.exchange);
    }
    if (operation.job.task == DeviceTask::Settings) FormatVersion(operation.pairs);
    operation.exchange.reset();
    // Counted as it ends too: settings read while it ran are old.
    if (operation.lock) operation.lock->CountWrite();
    operation.lock.reset();
    ended.emplace_back(op, result);
    m_completedQueue.push_back(op);
    net::RaiseWake(m_completed);
    m_changed.notify_all();
    std::deque<OperationId> &queue = m_devices[DeviceKey(operation.job)];
    if (!queue.empty() && queue.front() == op) queue.pop_front();
    if (queue.empty())
        m_devices.erase(DeviceKey(operation.job));
    else
        Begin(queue.front(), ended);
}

bool Fleet::TakeLock(Operation &operation) {
    const DeviceJob &job = operation.job;
    auto lock = std::make_unique<net::DeviceLock>(net::DeviceLockName(IsFamilyB(job.type) ? 'B' : 'A', job.address),
                                                  net::LockWait::Try);
    if (lock->Busy()) return false;
    lock->CountWrite();
    operation.lock = std::move(lock);
    return true;
}

Clock::time_point Fleet::RetryLocks(Ended &ended) {
    const auto now = Clock::now();
    if (m_lockWaits.empty()) return now + kIdleTurn;
    if (now >= m_nextLockTry) {
        m_nextLockTry = now + kLockRetry;
        const std::vector<OperationId> waiting = std::move(m_lockWaits);
        m_lockWaits.clear();
        for (OperationId op : waiting) Begin(op, ended);
    }
    return m_lockWaits.empty() ? now + kIdleTurn : m_nextLockTry;
}

int32_t Fleet::Result(OperationId op) {
    std::lock_guard<std::mutex> lock(m_lock);
    auto it = m_operations.find(op);
    return it == m_operations.end() ? kUnknownOperation : it->second.result;
}

int32_t Fleet::Wait(OperationId op, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_lock);
    auto it = m_operations.find(op);
    if (it == m_operations.end()) return kUnknownOperation;
    m_changed.wait_for(lock, timeout, [&] { return it->second.result != kPending; });
    return it->second.result;
}

bool Fleet::Pair(OperationId op, size_t index, std::pair<std::string, std::string> &out) {
    std::lock_guard<std::mutex> lock(m_lock);
    auto it = m_operations.find(op);
    if (it == m_operations.end() || it->second.result == kPending || index >= it->second.pairs.size()) return false;
    out = it->second.pairs[index];
    return true;
}

bool Fleet::Value(OperationId op, const std::string &key, std::string &out) {
    std::lock_guard<std::mutex> lock(m_lock);
    auto it = m_operations.find(op);
    if (it == m_operations.end() || it->second.result == kPending) return false;
    for (const auto &pair : it->second.pairs)
        if (pair.first == key) {
            out = pair.second;
            return true;
        }
    return false;
}

bool Fleet::TakeFound(OperationId op, DeviceRecord &out) {
    std::shared_ptr<SearchFinds> finds;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        auto it = m_operations.find(op);
        if (it == m_operations.end() || !it->second.finds) return false;
        finds = it->second.finds;
    }
    return finds->Take(out);
}

Fleet::OperationId Fleet::TakeCompleted() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_completedQueue.empty()) return 0;
    const OperationId op = m_completedQueue.front();
    m_completedQueue.pop_front();
    if (m_completedQueue.empty()) net::LowerWake(m_completed);
    return op;
}

void Fleet::Release(OperationId op) {
    std::lock_guard<std::mutex> lock(m_lock);
    auto it = m_operations.find(op);
    if (it == m_operations.end() || it->second.result == kPending) return;
    m_operations.erase(it);
    auto queued = std::find(m_completedQueue.begin(), m_completedQueue.end(), op);
    if (queued != m_completedQueue.end()) m_completedQueue.erase(queued);
    if (m_completedQueue.empty()) net::LowerWake(m_completed);
}

WireCounts Fleet::Counts() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_counts;
}

}  // namespace vd
