#include "sleep_counter.h"

#include <dlfcn.h>
#include <time.h>

namespace {

thread_local bool t_counting = false;
thread_local double t_slept = 0;

using NanosleepFn = int (*)(const timespec *, timespec *);

}  // namespace

namespace vdbench {

void StartCountingSleeps() {
    t_slept = 0;
    t_counting = true;
}

double StopCountingSleeps() {
    t_counting = false;
    return t_slept;
}

}  // namespace vdbench

// Visible, so that it stands before the C library's for the shared library too.
extern "C" __attribute__((visibility("default"))) int nanosleep(const timespec *request, timespec *remaining) {
    static const auto real = reinterpret_cast<NanosleepFn>(dlsym(RTLD_NEXT, "nanosleep"));
    if (t_counting && request) t_slept += double(request->tv_sec) + double(request->tv_nsec) / 1e9;
    return real(request, remaining);
}
