#include "sleep_counter.h"

#include <dlfcn.h>
#include <poll.h>
#include <time.h>

#include <chrono>

namespace {

thread_local bool t_counting = false;
thread_local double t_slept = 0;

using NanosleepFn = int (*)(const timespec *, timespec *);
using PollFn = int (*)(pollfd *, nfds_t, int);

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

// The event loop waits for its deadlines in poll: the time such a wait
// lasts (it ends early when an answer comes) is part of the floor.
extern "C" __attribute__((visibility("default"))) int poll(pollfd *fds, nfds_t count, int timeoutMs) {
    static const auto real = reinterpret_cast<PollFn>(dlsym(RTLD_NEXT, "poll"));
    if (!t_counting || timeoutMs <= 0) return real(fds, count, timeoutMs);
    const auto start = std::chrono::steady_clock::now();
    const int result = real(fds, count, timeoutMs);
    t_slept += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}
