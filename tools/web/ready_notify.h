// Tells systemd that the dashboard serves, for a unit of Type=notify
// (packaging/systemd/vandrel-web.service): `systemctl start` then returns once
// the port is bound, and a port that cannot be bound fails the start.
#ifndef VANDREL_WEB_READY_NOTIFY_H
#define VANDREL_WEB_READY_NOTIFY_H

namespace vdweb {

// Reports readiness when systemd started the dashboard, and nothing
// otherwise. Call it before any thread or worker starts: it takes
// NOTIFY_SOCKET out of the environment, so that the workers do not inherit
// it.
void NotifyReady();

}  // namespace vdweb

#endif
