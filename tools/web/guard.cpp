#include "guard.h"

#include <algorithm>
#include <random>

#include "accounts.h"
#include "credentials.h"
#include "http_json.h"
#include "page_files.h"

namespace vdweb {

namespace {

using Verdict = httplib::Server::HandlerResponse;

constexpr char kCookie[] = "vandrel_token";

// Compares in a time that does not tell how much of a guess was right.
bool SameText(const std::string &a, const std::string &b) {
    if (a.size() != b.size() || b.empty()) return false;
    unsigned char diff = 0;
    for (size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

std::string GivenToken(const httplib::Request &req) {
    const std::string bearer = "Bearer ";
    const std::string auth = req.get_header_value("Authorization");
    if (auth.compare(0, bearer.size(), bearer) == 0) return auth.substr(bearer.size());
    if (req.has_header("X-Vandrel-Token")) return req.get_header_value("X-Vandrel-Token");
    return CookieOf(req, kCookie);
}

bool HostIsOurs(const Access &access, const std::string &host) {
    // Browsers leave out port 80 (443 under TLS).
    const std::string port = access.port == (access.tls ? 443 : 80) ? "" : ":" + std::to_string(access.port);
    for (const char *name : {"127.0.0.1", "localhost", "[::1]"})
        if (host == name + port || host == name + std::string(":") + std::to_string(access.port)) return true;
    return false;
}

// The page's own origin as the browser sees it: behind a proxy, the host
// and scheme the proxy was asked for.
std::string OwnOrigin(const Access &access, const httplib::Request &req) {
    std::string host = req.get_header_value("Host");
    std::string scheme = access.tls ? "https" : "http";
    if (!access.proxies.Empty()) {
        const auto first = [&](const char *name, const std::string &otherwise) {
            const std::string value = req.get_header_value(name);
            return value.empty() ? otherwise : value.substr(0, value.find_first_of(", "));
        };
        host = first("X-Forwarded-Host", host);
        scheme = first("X-Forwarded-Proto", "https");
    }
    return scheme + "://" + host;
}

// A request made by a page of another site (or another port of this
// host): its Origin is not ours, or the browser says so. Browsers send
// Origin with a change and with a script's read of another origin, and
// Sec-Fetch-Site with every request; programs send neither.
bool Foreign(const Access &access, const httplib::Request &req) {
    const std::string origin = req.get_header_value("Origin");
    const std::string site = req.get_header_value("Sec-Fetch-Site");
    return (!origin.empty() && origin != OwnOrigin(access, req)) ||
           (!site.empty() && site != "same-origin" && site != "none");
}

// A link from elsewhere may still open the page itself, which reads
// nothing from devices and cannot be framed.
bool OpensThePage(const httplib::Request &req) {
    return req.method == "GET" && req.get_header_value("Sec-Fetch-Mode") == "navigate" &&
           req.get_header_value("Origin").empty() && req.path.compare(0, 5, "/api/") != 0 && req.path != "/metrics" &&
           req.path != "/probe" && req.path != "/sd";
}

// The redirect after ?token= goes to a path of this server, never to
// another host ("//elsewhere/...").
std::string LocalPath(const std::string &path) {
    const bool plain = std::all_of(path.begin(), path.end(), [](char c) { return c > ' ' && c < 0x7F && c != '\\'; });
    return plain && path.size() > 0 && path[0] == '/' && path.compare(0, 2, "//") != 0 ? path : "/";
}

bool IsPageFile(const std::string &path) {
    for (size_t i = 0; i < kPageFileCount; ++i)
        if (path == (std::string(kPageFiles[i].path) == "/index.html" ? "/" : kPageFiles[i].path)) return true;
    return false;
}

// The page's files are everyone's (the login page among them); every other
// request needs a login whose role the route table allows.
Verdict UsersGuard(const Access &access, const httplib::Request &req, httplib::Response &res) {
    if ((req.method == "GET" || req.method == "HEAD") && IsPageFile(req.path)) return Verdict::Unhandled;
    Role least = Role::Admin;
    if (!NeededRole(req.method, req.path, least)) {
        SendError(res, 403, "refused: no role may use " + req.method + " " + req.path);
        return Verdict::Handled;
    }
    if (least == Role::Anyone) return Verdict::Unhandled;
    Caller caller;
    if (!access.accounts->Identify(req, caller)) {
        SendError(res, 401, "log in first (/login.html), or send a user's API token: 'Authorization: Bearer TOKEN'");
        return Verdict::Handled;
    }
    if (!Allows(caller.role, least)) {
        SendError(res, 403, caller.name + " is " + RoleName(caller.role) + ": this needs the " + RoleName(least) +
                                " role");
        return Verdict::Handled;
    }
    const bool change = req.method != "GET" && req.method != "HEAD";
    if (change && !caller.byToken && !SameSecret(req.get_header_value(kCsrfHeader), caller.csrf)) {
        SendError(res, 403, std::string("refused: a change carries the login's CSRF token in the ") + kCsrfHeader +
                                " header");
        return Verdict::Handled;
    }
    return Verdict::Unhandled;
}

}  // namespace

bool IsLoopback(const std::string &host) { return host.compare(0, 4, "127.") == 0 || host == "localhost" || host == "::1"; }

std::string NewToken() {
    std::random_device random;
    static const char digits[] = "0123456789abcdef";
    std::string token;
    for (int i = 0; i < 32; ++i) token += digits[random() % 16];
    return token;
}

Verdict Guard(const Access &access, const httplib::Request &req, httplib::Response &res) {
    if (!access.proxies.Empty() && !access.proxies.Contains(req.remote_addr)) {
        SendError(res, 403, "this dashboard answers only its proxy's addresses (--behind-proxy)");
        return Verdict::Handled;
    }
    if (access.loopback && !HostIsOurs(access, req.get_header_value("Host"))) {
        SendError(res, 403, "this server answers only requests for its own loopback address");
        return Verdict::Handled;
    }
    if (access.accounts) {
        if (Foreign(access, req) && !OpensThePage(req)) {
            SendError(res, 403, "refused: the request comes from another site's page");
            return Verdict::Handled;
        }
        return UsersGuard(access, req, res);
    }
    if (!access.loopback && !SameText(GivenToken(req), access.token)) {
        if (req.method == "GET" && req.has_param("token") && SameText(req.get_param_value("token"), access.token)) {
            // Secure: under TLS, the browser never sends it in clear.
            res.set_header("Set-Cookie", std::string(kCookie) + "=" + access.token +
                                             "; Path=/; HttpOnly; SameSite=Strict" +
                                             (SecureCookies(access) ? "; Secure" : ""));
            res.set_redirect(LocalPath(req.path), 303);
            return Verdict::Handled;
        }
        SendError(res, 401, "this dashboard needs its token: open it with ?token=TOKEN once, or send the header "
                            "'Authorization: Bearer TOKEN'");
        return Verdict::Handled;
    }
    // Reads too: a read of a device's settings starts a worker that asks
    // any address it is given.
    if (Foreign(access, req) && !OpensThePage(req)) {
        SendError(res, 403, "refused: the request comes from another site's page");
        return Verdict::Handled;
    }
    return Verdict::Unhandled;
}

}  // namespace vdweb
