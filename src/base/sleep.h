#ifndef VANDREL_BASE_SLEEP_H
#define VANDREL_BASE_SLEEP_H

#include <chrono>
#include <thread>

namespace vd {

// Every wait of the library sleeps on the caller's thread in these steps.
inline void Sleep(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace vd

#endif
