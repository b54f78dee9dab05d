// What the socket layer needs of the platform it runs on. Each platform
// provides it in a folder of its own (net/posix, net/win32); nothing above
// this layer sees which one is built.
#ifndef VANDREL_NET_PLATFORM_H
#define VANDREL_NET_PLATFORM_H

#include <cstdint>

namespace vd::net {

// A window of the host that is told of arriving stream data: an HWND on
// Windows; on POSIX the host's {proc, user} record (the public interface's
// VD_HostWindow, see net/posix/host_window.h).
using WindowHandle = void *;

// Sends window one message synchronously, on the calling thread, as
// SendMessage does; returns the window's answer. A null window is not told.
intptr_t SendWindowMessage(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam);

}  // namespace vd::net

#endif
