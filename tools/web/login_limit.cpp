#include "login_limit.h"

#include "web_limits.h"

namespace vdweb {

namespace {

bool Passed(const std::chrono::steady_clock::time_point &since, std::chrono::steady_clock::time_point now) {
    return now - since >= std::chrono::seconds(kLoginWindowSeconds);
}

}  // namespace

bool LoginLimit::Allowed(const std::string &address) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto c = m_counts.find(address);
    if (c == m_counts.end()) return true;
    if (Passed(c->second.since, std::chrono::steady_clock::now())) {
        m_counts.erase(c);
        return true;
    }
    return c->second.failures < kMaxFailedLogins;
}

void LoginLimit::Failed(const std::string &address) {
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_counts.size() >= kMaxLoginAddresses)
        for (auto c = m_counts.begin(); c != m_counts.end();)
            c = Passed(c->second.since, now) ? m_counts.erase(c) : std::next(c);
    if (m_counts.size() >= kMaxLoginAddresses) m_counts.erase(m_counts.begin());
    Count &c = m_counts[address];
    if (c.failures == 0) c.since = now;
    ++c.failures;
}

}  // namespace vdweb
