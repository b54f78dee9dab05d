// Who may do what, once the dashboard has users (--users): three roles, each
// allowed all that the one below it is, and one table that gives every
// route of the API the least role it needs. A route the table does not name
// is refused to everyone, so a new route is closed until it is given a role.
#ifndef VANDREL_WEB_ROLES_H
#define VANDREL_WEB_ROLES_H

#include <string>
#include <vector>

namespace vdweb {

// Ordered: each role may do all that the ones before it may.
enum class Role {
    Anyone,    // no login needed: the login itself
    Viewer,    // reads: the table, a device's settings, the operations, metrics
    Operator,  // changes: settings, apply, restart, AT, IO, data
    Admin,     // firmware (and the users, managed with 'vandrel web users')
};

const char *RoleName(Role role);
// "viewer", "operator" or "admin"; false for any other text.
bool ParseRole(const std::string &text, Role &role);

struct RouteRole {
    const char *method;   // "GET" (HEAD too) or "POST"
    const char *pattern;  // the path, a regular expression matched whole
    Role least;
};

const std::vector<RouteRole> &RouteTable();

// The least role the request needs; false when the table does not name it.
bool NeededRole(const std::string &method, const std::string &path, Role &least);

bool Allows(Role held, Role needed);

}  // namespace vdweb

#endif
