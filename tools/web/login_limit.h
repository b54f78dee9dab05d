// Failed logins counted by client address: after kMaxFailedLogins within
// kLoginWindowSeconds, that address's logins are refused, right password or
// not, until the window has passed, so a password is not guessed at speed.
#ifndef VANDREL_WEB_LOGIN_LIMIT_H
#define VANDREL_WEB_LOGIN_LIMIT_H

#include <chrono>
#include <mutex>
#include <string>
#include <unordered_map>

namespace vdweb {

class LoginLimit {
public:
    bool Allowed(const std::string &address);
    void Failed(const std::string &address);

private:
    struct Count {
        std::chrono::steady_clock::time_point since;
        int failures = 0;
    };
    std::mutex m_mutex;
    std::unordered_map<std::string, Count> m_counts;
};

}  // namespace vdweb

#endif
