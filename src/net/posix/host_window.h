// A host window where the platform has no window messages: the library
// "sends it a message" by calling proc. Laid out as the public interface's
// VD_HostWindow, which the exports hand down as it is (they check the
// layout). proc is called through the public type of the host's function, so
// that the call matches the function the host defined.
#ifndef VANDREL_NET_POSIX_HOST_WINDOW_H
#define VANDREL_NET_POSIX_HOST_WINDOW_H

#include <cstdint>

struct VD_HostWindow;

namespace vd::net {

struct HostWindow {
    intptr_t (*proc)(::VD_HostWindow *window, uint32_t message, uintptr_t wparam, intptr_t lparam);
    void *user;
};

}  // namespace vd::net

#endif
