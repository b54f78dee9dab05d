#include "fleet/search_finds.h"

#include <utility>

namespace vd {

namespace {

std::string KeyOf(const DeviceRecord &r) {
    return r.ip + ' ' + r.version + ' ' + r.mac + ' ' + std::to_string(r.code1) + ' ' + std::to_string(r.code2) +
           ' ' + std::to_string(r.port);
}

}  // namespace

void SearchFinds::Add(DeviceRecord record) {
    std::string key = KeyOf(record);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_seen.count(key)) return;
    if (m_seen.size() >= kMaxSearchAnswers) {
        ++m_leftOut;
        return;
    }
    m_seen.insert(std::move(key));
    record.ClearPairs();
    m_waiting.push_back(std::move(record));
}

bool SearchFinds::Take(DeviceRecord &out) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_waiting.empty()) return false;
    out = std::move(m_waiting.front());
    m_waiting.pop_front();
    return true;
}

uint64_t SearchFinds::LeftOut() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_leftOut;
}

bool SearchFinds::Any() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return !m_seen.empty() || m_leftOut > 0;
}

}  // namespace vd
