#include "ready_notify.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

namespace vdweb {

// systemd's readiness is one datagram, "READY=1", to the unix socket named
// by NOTIFY_SOCKET ('@' first: an abstract name). Sent here rather than
// through libsystemd, which every vandrel process, each worker included,
// would otherwise load for this one call.
void NotifyReady() {
    const char *variable = std::getenv("NOTIFY_SOCKET");
    const std::string path = variable ? variable : "";
    // The workers must not tell systemd anything.
    unsetenv("NOTIFY_SOCKET");
    sockaddr_un address {};
    // Outside systemd there is nothing to tell; a failure to report leaves
    // systemd to time the start out, which is its to log.
    if (path.empty() || (path[0] != '/' && path[0] != '@') || path.size() >= sizeof address.sun_path) return;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    if (path[0] == '@') address.sun_path[0] = '\0';
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    const socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + path.size());
    static const char kReady[] = "READY=1";
    sendto(fd, kReady, sizeof kReady - 1, MSG_NOSIGNAL, reinterpret_cast<sockaddr *>(&address), length);
    close(fd);
}

}  // namespace vdweb
