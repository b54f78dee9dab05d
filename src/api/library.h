// The library's global objects, built at load in this order: the socket
// anchor, then the default context; then the load step runs. The unload step
// runs before they are destroyed, in reverse.
#ifndef VANDREL_API_LIBRARY_H
#define VANDREL_API_LIBRARY_H

#include <cstdint>

#include "codec/codec.h"
#include "context/context.h"

namespace vd {

// The context the exports run on: the one the library's hosts share, since
// the exports name none.
Context &DefaultContext();

// The load step, once the static objects are built: starts the platform's
// sockets (Windows Sockets 1.1); false when they cannot start, and the
// library must then refuse to load.
bool LoadStep();
// The unload step, before the static objects are destroyed: from now on a
// closed socket leaves its handle to the platform's cleanup; every device
// handler of the default context goes with its sockets; the platform's
// sockets stop, if they started.
void UnloadStep();

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
