// The dashboard's login sessions: a random id in an HttpOnly cookie, kept
// here only as its digest, with a CSRF token that the page sends back in a
// header with every change. A session ends after kIdle unused, or kMax after
// its login however much it is used, at a logout, or when its user is
// removed or given another password.
#ifndef VANDREL_WEB_SESSIONS_H
#define VANDREL_WEB_SESSIONS_H

#include <chrono>
#include <mutex>
#include <string>
#include <unordered_map>

namespace vdweb {

struct SessionLimits {
    std::chrono::seconds idle{1800};
    std::chrono::seconds max{43200};
};

struct Session {
    std::string user;
    std::string password;  // digest of the user's password hash at the login
    std::string csrf;
    std::chrono::steady_clock::time_point started, used;
};

class Sessions {
public:
    explicit Sessions(SessionLimits limits) : m_limits(limits) {}
    // A new session's id (given to the client, never kept).
    std::string Open(const std::string &user, const std::string &password, std::string &csrf);
    // The live session of id, its use noted; false when there is none.
    bool Find(const std::string &id, Session &session);
    void Close(const std::string &id);

private:
    bool Live(const Session &s, std::chrono::steady_clock::time_point now) const;

    SessionLimits m_limits;
    std::mutex m_mutex;
    std::unordered_map<std::string, Session> m_open;  // by the id's digest
};

}  // namespace vdweb

#endif
