// The exports that name the host's window and message loop, as the public
// interface has them where the platform has no window messages.
#include <cstddef>

#include "api/library.h"
#include "net/posix/host_window.h"
#include "net/posix/message_loop.h"
#include "vandrel.h"

using namespace vd;

// The socket layer takes the host's window as it is.
static_assert(sizeof(VD_HostWindow) == sizeof(net::HostWindow) &&
                  offsetof(VD_HostWindow, proc) == offsetof(net::HostWindow, proc) &&
                  offsetof(VD_HostWindow, user) == offsetof(net::HostWindow, user),
              "VD_HostWindow and the socket layer's host window differ");

extern "C" {

int32_t VD_CALL VD_TCPSetRecHWnd(VD_HostWindow *hwnd, uint32_t msg) {
    return Guarded<int32_t>(VD_OK, [&] {
        g_manager.m_channel.SetReceiver(hwnd, msg);
        return VD_OK;
    });
}

int32_t VD_CALL VD_PumpMessages(int32_t timeout_ms) {
    return Guarded<int32_t>(0, [&] { return net::PumpMessages(timeout_ms); });
}

}  // extern "C"
