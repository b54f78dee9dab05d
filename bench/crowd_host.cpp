// A host of the library meeting a crowd: it searches, sleeps as the C
// guide's example (docs/library.md) does, then collects every answer at once,
// and prints how many it listed and what the collection cost per device:
//
//   crowd-host SLEEP_MS    ->    "listed 4000 in 21.3 ms, 5.33 us a device"
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "vandrel.h"

int main(int argc, char **argv) {
    const int sleepMs = argc > 1 ? std::atoi(argv[1]) : 1000;
    VD_SearchAll();
    std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));
    char ip[VD_IP_LEN], version[VD_VERSION_LEN], mac[VD_MAC_LEN];
    uint8_t code1 = 0, code2 = 0;
    uint32_t port = 0;
    long listed = 0;
    const auto start = std::chrono::steady_clock::now();
    while (VD_GetSearchDev(ip, version, mac, &code1, &code2, &port) == VD_OK) ++listed;
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("listed %ld in %.1f ms, %.2f us a device\n", listed, ms, listed ? 1000 * ms / double(listed) : 0.0);
    return 0;
}
