// With users (--users): the login page's POST /api/login, the logout, and
// what the page asks at its start, its user, role and CSRF token.
#include "dashboard.h"
#include "http_json.h"

namespace vdweb {

namespace {

std::string Cookie(const std::string &value, bool secure, bool ended) {
    return std::string(kSessionCookie) + "=" + value + "; Path=/; HttpOnly; SameSite=Strict" +
           (secure ? "; Secure" : "") + (ended ? "; Max-Age=0" : "");
}

JsonValue Who(const Caller &caller) {
    return {{"user", caller.name}, {"role", RoleName(caller.role)}, {"csrf", caller.csrf}};
}

void Login(Dashboard &d, bool secure, const httplib::Request &req, httplib::Response &res) {
    JsonValue body;
    std::string name, password;
    if (!ReadObject(req, res, {{"name", Kind::Text}, {"password", Kind::Text}}, body)) return;
    TextField(body, "name", name);
    TextField(body, "password", password);
    Caller caller;
    std::string session;
    switch (d.accounts->Login(req, name, password, caller, session)) {
    case LoginResult::TooMany:
        res.set_header("Retry-After", std::to_string(kLoginWindowSeconds));
        return SendError(res, 429, "too many failed logins from this address: wait a minute");
    case LoginResult::Wrong:
        // Never which of the two: that would tell who has an account.
        return SendError(res, 401, "wrong name or password");
    case LoginResult::Ok:
        res.set_header("Set-Cookie", Cookie(session, secure, false));
        return SendJson(res, 200, Who(caller));
    }
}

}  // namespace

std::string UserOf(Dashboard &d, const httplib::Request &req) {
    Caller caller;
    return d.accounts && d.accounts->Identify(req, caller) ? caller.name : "";
}

void AddLoginRoutes(httplib::Server &server, Dashboard &d, bool secure) {
    server.Post("/api/login", [&d, secure](const httplib::Request &req, httplib::Response &res) {
        Login(d, secure, req, res);
    });
    server.Post("/api/logout", [&d, secure](const httplib::Request &req, httplib::Response &res) {
        d.accounts->Logout(req);
        res.set_header("Set-Cookie", Cookie("", secure, true));
        SendJson(res, 200, JsonValue::object());
    });
    server.Get("/api/session", [&d](const httplib::Request &req, httplib::Response &res) {
        Caller caller;
        if (!d.accounts->Identify(req, caller)) return SendError(res, 401, "not logged in");
        SendJson(res, 200, Who(caller));
    });
    server.Get("/api/routes", [](const httplib::Request &, httplib::Response &res) {
        JsonValue routes = JsonValue::array();
        for (const RouteRole &r : RouteTable())
            routes.push_back({{"method", r.method}, {"path", r.pattern}, {"role", RoleName(r.least)}});
        SendJson(res, 200, routes);
    });
}

}  // namespace vdweb
