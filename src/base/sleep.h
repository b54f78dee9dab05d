#ifndef VANDREL_BASE_SLEEP_H
#define VANDREL_BASE_SLEEP_H

#include <chrono>
#include <thread>

namespace vd {

// Every wait of the library sleeps on the caller's thread in these steps.
inline void Sleep(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

using SteadyClock = std::chrono::steady_clock;

// Milliseconds from now until a time, 0 once it has passed.
inline int MsUntil(SteadyClock::time_point until) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - SteadyClock::now()).count();
    return left > 0 ? int(left) : 0;
}

}  // namespace vd

#endif
