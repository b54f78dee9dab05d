#include "net/platform.h"
#include "net/posix/host_window.h"

namespace vd::net {

intptr_t SendWindowMessage(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    auto *const host = static_cast<HostWindow *>(window);
    if (!host || !host->proc) return 0;
    return host->proc(static_cast<::VD_HostWindow *>(window), message, wparam, lparam);
}

}  // namespace vd::net
