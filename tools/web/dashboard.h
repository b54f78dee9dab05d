// The dashboard's state, shared by its handlers, and the groups of handlers
// that make up the server.
#ifndef VANDREL_WEB_DASHBOARD_H
#define VANDREL_WEB_DASHBOARD_H

#include <httplib.h>

#include "accounts.h"
#include "drift_watch.h"
#include "events.h"
#include "fleet.h"
#include "fleet_memory.h"
#include "metrics.h"
#include "operations.h"
#include "tool_run.h"

namespace vdweb {

struct Dashboard {
    Fleet fleet;
    FleetMemory memory;
    Counters counters;
    Events events;
    Operations operations{counters, events};
    WorkerSlots workers;
    DriftWatch drift;  // with --drift-plan
    Accounts *accounts = nullptr;  // with users (--users)
};

// The user a request comes from, for the operations it starts: "" without
// users.
std::string UserOf(Dashboard &d, const httplib::Request &req);

// The page's files and /metrics.
void AddPageRoutes(httplib::Server &server, Dashboard &d);
// The devices table, its event stream, the operations' states and the
// audit trail and the drift check's verdicts.
void AddFleetRoutes(httplib::Server &server, Dashboard &d);
// One device: its settings, a write, a backup and its restore.
void AddDeviceRoutes(httplib::Server &server, Dashboard &d);
// The setting rules of a device type: GET /api/rules/TYPE.
void AddRulesRoutes(httplib::Server &server, Dashboard &d);
// Many devices: apply, restart, firmware.
void AddBatchRoutes(httplib::Server &server, Dashboard &d);
// The latest firmware rollout, its pause, resume and abort.
void AddRolloutRoutes(httplib::Server &server, Dashboard &d);
// Prometheus's /probe of one device and its service discovery, /sd.
void AddPrometheusRoutes(httplib::Server &server, Dashboard &d);
// With users: the login, the logout, the login's user, role and CSRF
// token, and the route table; secure: the cookie is sent over HTTPS only.
void AddLoginRoutes(httplib::Server &server, Dashboard &d, bool secure);
// Sessions: the AT console, the IO panel, the data channel.
void AddSessionRoutes(httplib::Server &server, Dashboard &d);

}  // namespace vdweb

#endif
