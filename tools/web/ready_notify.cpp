#include "ready_notify.h"

#if defined(VANDREL_WITH_LIBSYSTEMD)
#include <systemd/sd-daemon.h>
#endif

namespace vdweb {

void NotifyReady() {
#if defined(VANDREL_WITH_LIBSYSTEMD)
    // Outside systemd (no NOTIFY_SOCKET) this does nothing; a failure to
    // report leaves systemd to time the start out, which is its to log.
    sd_notify(1, "READY=1");
#endif
}

}  // namespace vdweb
