// The host's message loop where the platform has none (VD_PumpMessages): the
// POSIX build provides it; Windows hosts run their own loop, and nothing
// calls it there.
#ifndef VANDREL_NET_MESSAGE_LOOP_H
#define VANDREL_NET_MESSAGE_LOOP_H

#include <cstdint>

namespace vd::net {

// Dispatches every pending message of the library's helper window, waiting
// up to timeoutMs for the first when none is pending. Returns how many it
// dispatched; 0 on any thread but the loading one.
int32_t PumpMessages(int32_t timeoutMs);

}  // namespace vd::net

#endif
