// The dashboard's users at work (--users): who a request comes from, by a
// session's cookie, an API token ('Authorization: Bearer') or, from the
// proxy's addresses alone, the login header the proxy sets (--login-header);
// logins and logouts. The users file is read again whenever it changes, so
// 'vandrel web users' takes effect without a restart.
#ifndef VANDREL_WEB_ACCOUNTS_H
#define VANDREL_WEB_ACCOUNTS_H

#include <httplib.h>

#include <mutex>
#include <string>
#include <vector>

#include "login_limit.h"
#include "proxy_ranges.h"
#include "sessions.h"
#include "users_file.h"

namespace vdweb {

constexpr char kSessionCookie[] = "vandrel_session";
constexpr char kCsrfHeader[] = "X-CSRF-Token";

struct Caller {
    std::string name;
    Role role = Role::Anyone;
    std::string csrf;      // the token its changes carry
    bool byToken = false;  // an API token's: a script's, which no browser sends by itself
};

enum class LoginResult { Ok, Wrong, TooMany };

class Accounts {
public:
    Accounts(std::string usersFile, std::string loginHeader, ProxyRanges proxies, SessionLimits limits)
        : m_file(std::move(usersFile)), m_header(std::move(loginHeader)), m_proxies(std::move(proxies)),
          m_sessions(limits) {}
    // Reads the file; false with a message when it cannot be read.
    bool Start(std::string &error);
    size_t Users() { return Current().size(); }
    bool Identify(const httplib::Request &req, Caller &caller);
    // A new session's id, or why there is none.
    LoginResult Login(const httplib::Request &req, const std::string &name, const std::string &password,
                      Caller &caller, std::string &session);
    void Logout(const httplib::Request &req);

private:
    std::vector<User> Current();
    bool FromSession(const std::string &id, Caller &caller);
    bool Named(const std::string &name, Caller &caller);
    std::string ClientOf(const httplib::Request &req) const;

    std::string m_file, m_header;
    ProxyRanges m_proxies;
    Sessions m_sessions;
    LoginLimit m_limit;
    std::string m_csrfKey, m_decoy;  // see Login
    std::mutex m_mutex;
    std::vector<User> m_users;
    std::string m_seen;  // the file's identity when last read
    std::mutex m_hashing;
};

// The value of a request's cookie, "" when it has none.
std::string CookieOf(const httplib::Request &req, const std::string &name);

}  // namespace vdweb

#endif
