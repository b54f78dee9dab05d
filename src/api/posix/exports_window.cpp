// The exports that name the host's window and message loop, as the public
// interface has them where the platform has no window messages. The host's
// VD_HostWindow goes down to the socket layer as it is, as its window handle.
#include "api/library.h"
#include "net/message_loop.h"
#include "vandrel.h"

using namespace vd;

extern "C" {

int32_t VD_CALL VD_TCPSetRecHWnd(VD_HostWindow *hwnd, uint32_t msg) {
    return Guarded<int32_t>(VD_OK, [&] {
        DefaultContext().Channel().SetReceiver(hwnd, msg);
        return VD_OK;
    });
}

int32_t VD_CALL VD_PumpMessages(int32_t timeout_ms) {
    return Guarded<int32_t>(0, [&] { return net::PumpMessages(timeout_ms); });
}

}  // extern "C"
