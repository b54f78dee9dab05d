#include "roles.h"

#include <regex>

namespace vdweb {

namespace {

constexpr char kDevice[] = R"(/api/devices/[0-9A-Fa-f.:]{1,17})";

struct CompiledRoute {
    RouteRole route;
    std::regex path;
};

const std::vector<CompiledRoute> &Compiled() {
    static const std::vector<CompiledRoute> compiled = [] {
        std::vector<CompiledRoute> all;
        for (const RouteRole &r : RouteTable()) all.push_back({r, std::regex(r.pattern)});
        return all;
    }();
    return compiled;
}

}  // namespace

const char *RoleName(Role role) {
    switch (role) {
    case Role::Anyone: return "anyone";
    case Role::Viewer: return "viewer";
    case Role::Operator: return "operator";
    case Role::Admin: return "admin";
    }
    return "";
}

bool ParseRole(const std::string &text, Role &role) {
    for (Role r : {Role::Viewer, Role::Operator, Role::Admin})
        if (text == RoleName(r)) return (role = r), true;
    return false;
}

const std::vector<RouteRole> &RouteTable() {
    static const std::string device = kDevice, settings = device + "/settings", restore = device + "/restore",
                             backup = device + "/backup";
    static const std::vector<RouteRole> table = {
        {"POST", "/api/login", Role::Anyone},
        {"POST", "/api/logout", Role::Viewer},
        {"GET", "/api/session", Role::Viewer},
        {"GET", "/api/routes", Role::Viewer},
        {"GET", "/api/devices", Role::Viewer},
        {"GET", "/api/events", Role::Viewer},
        {"GET", "/api/status", Role::Viewer},
        {"GET", "/api/operations", Role::Viewer},
        {"GET", "/api/audit", Role::Viewer},
        {"GET", R"(/api/rules/\d{1,3})", Role::Viewer},
        {"GET", "/api/drift", Role::Viewer},
        {"GET", R"(/api/operations/\d{1,9})", Role::Viewer},
        {"GET", kDevice, Role::Viewer},
        {"GET", backup.c_str(), Role::Viewer},
        {"GET", "/metrics", Role::Viewer},
        {"GET", "/probe", Role::Viewer},
        {"GET", "/sd", Role::Viewer},
        {"POST", settings.c_str(), Role::Operator},
        {"POST", restore.c_str(), Role::Operator},
        {"POST", "/api/apply", Role::Operator},
        {"POST", "/api/restart", Role::Operator},
        {"POST", "/api/at", Role::Operator},
        {"POST", "/api/io", Role::Operator},
        {"POST", "/api/data", Role::Operator},
        {"POST", "/api/firmware", Role::Admin},
        {"GET", "/api/rollout", Role::Viewer},
        {"POST", "/api/rollout/pause", Role::Admin},
        {"POST", "/api/rollout/resume", Role::Admin},
        {"POST", "/api/rollout/abort", Role::Admin},
    };
    return table;
}

bool NeededRole(const std::string &method, const std::string &path, Role &least) {
    const std::string asked = method == "HEAD" ? "GET" : method;
    for (const CompiledRoute &c : Compiled())
        if (asked == c.route.method && std::regex_match(path, c.path)) return (least = c.route.least), true;
    return false;
}

bool Allows(Role held, Role needed) { return held >= needed; }

}  // namespace vdweb
