#include "events.h"

#include <chrono>

#include "web_limits.h"

namespace vdweb {

void Events::Notify() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_generation;
    }
    m_changed.notify_all();
}

uint64_t Events::Wait(uint64_t seen, int ms) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait_for(lock, std::chrono::milliseconds(ms), [&] { return m_generation != seen || m_stopped; });
    return m_generation;
}

void Events::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopped = true;
    }
    m_changed.notify_all();
}

bool Events::Stopped() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stopped;
}

std::shared_ptr<void> Events::Subscribe() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_subscribers >= kMaxSubscribers) return nullptr;
    ++m_subscribers;
    return std::shared_ptr<void>(this, [this](void *) {
        std::lock_guard<std::mutex> released(m_mutex);
        --m_subscribers;
    });
}

}  // namespace vdweb
