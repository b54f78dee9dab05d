#include "sessions.h"

#include "credentials.h"
#include "web_limits.h"

namespace vdweb {

bool Sessions::Live(const Session &s, std::chrono::steady_clock::time_point now) const {
    return now - s.used < m_limits.idle && now - s.started < m_limits.max;
}

std::string Sessions::Open(const std::string &user, const std::string &password, std::string &csrf) {
    const std::string id = NewSecret();
    csrf = NewSecret();
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_open.size() >= kMaxSessions)
        for (auto s = m_open.begin(); s != m_open.end();) s = Live(s->second, now) ? std::next(s) : m_open.erase(s);
    // Still full of live sessions: the oldest login gives way.
    if (m_open.size() >= kMaxSessions) {
        auto oldest = m_open.begin();
        for (auto s = m_open.begin(); s != m_open.end(); ++s)
            if (s->second.started < oldest->second.started) oldest = s;
        m_open.erase(oldest);
    }
    m_open[Digest(id)] = {user, password, csrf, now, now};
    return id;
}

bool Sessions::Find(const std::string &id, Session &session) {
    // Looked up by digest: how long the lookup takes tells nothing of an id.
    const std::string key = Digest(id);
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto s = m_open.find(key);
    if (s == m_open.end()) return false;
    if (!Live(s->second, now)) {
        m_open.erase(s);
        return false;
    }
    s->second.used = now;
    session = s->second;
    return true;
}

void Sessions::Close(const std::string &id) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_open.erase(Digest(id));
}

}  // namespace vdweb
