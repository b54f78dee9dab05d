#include <windows.h>

#include "net/platform.h"

namespace vd::net {

intptr_t SendWindowMessage(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    if (!window) return 0;
    return intptr_t(SendMessageA(static_cast<HWND>(window), message, WPARAM(wparam), LPARAM(lparam)));
}

}  // namespace vd::net
