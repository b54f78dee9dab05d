// The export that names the host's window, as Windows hosts have it.
#include "api/library.h"
#include "vandrel.h"

using namespace vd;

extern "C" int32_t VD_CALL VD_TCPSetRecHWnd(HWND hwnd, uint32_t msg) {
    return Guarded<int32_t>(VD_OK, [&] {
        DefaultContext().Channel().SetReceiver(hwnd, msg);
        return VD_OK;
    });
}
