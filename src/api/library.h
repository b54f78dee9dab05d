// The library's global objects, built at load in this order: the socket
// anchor, the manager, the UDP lock; destroyed in reverse after the unload
// step.
#ifndef VANDREL_API_LIBRARY_H
#define VANDREL_API_LIBRARY_H

#include <cstdint>
#include <mutex>

#include "api/dev_manager.h"
#include "base/family_b_models.h"

namespace vd {

extern CDevManager g_manager;
// Serialises the UDP exports, waits included.
extern std::recursive_mutex g_lock;

// Runs an export's body so that no exception crosses the C boundary: any
// escape becomes the given failure result.
template <typename R, typename F>
R Guarded(R onFailure, F &&body) noexcept {
    try {
        return body();
    } catch (...) {
        return onFailure;
    }
}

}  // namespace vd

#endif
