// The calling thread's last error, kept by the library itself: errno is
// overwritten by every call in between.
#include "net/platform.h"

namespace vd::net {

namespace {

// A plain int, so that the library leaves no thread-local destructor behind
// when it is unloaded.
thread_local int t_lastError = 0;

}  // namespace

int LastError() { return t_lastError; }
void SetLastError(int error) { t_lastError = error; }

}  // namespace vd::net
