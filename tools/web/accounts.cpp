#include "accounts.h"

#include <sys/stat.h>

#include "credentials.h"

namespace vdweb {

namespace {

// What tells a changed file: replaced (inode), written, resized.
std::string FileIdentity(const std::string &path) {
    struct stat s {};
    if (stat(path.c_str(), &s) != 0) return "none";
    return std::to_string(s.st_ino) + ":" + std::to_string(s.st_mtim.tv_sec) + "." +
           std::to_string(s.st_mtim.tv_nsec) + ":" + std::to_string(s.st_size);
}

}  // namespace

std::string CookieOf(const httplib::Request &req, const std::string &name) {
    const std::string cookies = req.get_header_value("Cookie"), prefix = name + "=";
    for (size_t at = 0; at < cookies.size();) {
        while (at < cookies.size() && cookies[at] == ' ') ++at;
        size_t end = cookies.find(';', at);
        if (end == std::string::npos) end = cookies.size();
        if (cookies.compare(at, prefix.size(), prefix) == 0)
            return cookies.substr(at + prefix.size(), end - at - prefix.size());
        at = end + 1;
    }
    return "";
}

bool Accounts::Start(std::string &error) {
    if (!StartCredentials()) return (error = "libsodium cannot start"), false;
    m_csrfKey = NewSecret();
    // A login with an unknown name is checked against this, so that it
    // takes as long as one with a known name and a wrong password.
    if (!HashPassword(NewSecret(), m_decoy)) return (error = "not enough memory to hash a password"), false;
    m_seen = FileIdentity(m_file);
    return LoadUsers(m_file, m_users, error);
}

std::vector<User> Accounts::Current() {
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::string now = FileIdentity(m_file);
    std::vector<User> users;
    std::string error;
    // A file being replaced or broken leaves the users as they were.
    if (now != m_seen && LoadUsers(m_file, users, error)) {
        m_users = users;
        m_seen = now;
    }
    return m_users;
}

bool Accounts::Named(const std::string &name, Caller &caller) {
    for (const User &u : Current())
        if (u.name == name) {
            caller.name = u.name;
            caller.role = u.role;
            return true;
        }
    return false;
}

bool Accounts::FromSession(const std::string &id, Caller &caller) {
    Session s;
    if (id.empty() || !m_sessions.Find(id, s)) return false;
    for (const User &u : Current())
        if (u.name == s.user && SameSecret(Digest(u.hash), s.password)) {
            caller = {u.name, u.role, s.csrf, false};
            return true;
        }
    m_sessions.Close(id);  // removed, or given another password
    return false;
}

bool Accounts::Identify(const httplib::Request &req, Caller &caller) {
    if (!m_header.empty() && m_proxies.Contains(req.remote_addr) && req.has_header(m_header)) {
        if (!Named(req.get_header_value(m_header), caller)) return false;
        // The proxy's login lives in its own cookie: changes carry a token
        // that is the user's alone, as a session's do.
        caller.csrf = Digest(m_csrfKey + ":" + caller.name);
        return true;
    }
    const std::string bearer = "Bearer ", auth = req.get_header_value("Authorization");
    if (auth.compare(0, bearer.size(), bearer) == 0) {
        const std::string digest = Digest(auth.substr(bearer.size()));
        bool found = false;
        for (const User &u : Current())
            if (SameSecret(u.token, digest) && !found) {
                found = true;
                caller = {u.name, u.role, "", true};
            }
        return found;
    }
    return FromSession(CookieOf(req, kSessionCookie), caller);
}

std::string Accounts::ClientOf(const httplib::Request &req) const {
    if (!m_proxies.Contains(req.remote_addr)) return req.remote_addr;
    // The proxy appends the address it was reached from: the last one.
    const std::string forwarded = req.get_header_value("X-Forwarded-For");
    const size_t comma = forwarded.rfind(',');
    const std::string last = comma == std::string::npos ? forwarded : forwarded.substr(comma + 1);
    const size_t start = last.find_first_not_of(' ');
    return start == std::string::npos ? req.remote_addr : last.substr(start);
}

LoginResult Accounts::Login(const httplib::Request &req, const std::string &name, const std::string &password,
                            Caller &caller, std::string &session) {
    const std::string client = ClientOf(req);
    const std::vector<User> users = Current();
    const User *found = nullptr;
    for (const User &u : users)
        if (u.name == name) found = &u;
    {
        // One hash at a time, each 64 MiB; and the count is checked and
        // raised in one step, so that guesses sent at once are held to it too.
        std::lock_guard<std::mutex> lock(m_hashing);
        if (!m_limit.Allowed(client)) return LoginResult::TooMany;
        if (!PasswordMatches(found ? found->hash : m_decoy, password) || !found) {
            m_limit.Failed(client);
            return LoginResult::Wrong;
        }
    }
    caller = {found->name, found->role, "", false};
    session = m_sessions.Open(found->name, Digest(found->hash), caller.csrf);
    return LoginResult::Ok;
}

void Accounts::Logout(const httplib::Request &req) { m_sessions.Close(CookieOf(req, kSessionCookie)); }

}  // namespace vdweb
