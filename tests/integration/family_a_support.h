// Helpers of the family A tests: what a host does with the exports, in a few
// calls.
#ifndef VANDREL_TESTS_FAMILY_A_SUPPORT_H
#define VANDREL_TESTS_FAMILY_A_SUPPORT_H

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "sim_family_a.h"
#include "vandrel.h"

namespace fama {

struct Found {
    std::string ip, version, mac;
    int code1, code2;
    uint32_t port;
    bool operator==(const Found &o) const {
        return ip == o.ip && version == o.version && mac == o.mac && code1 == o.code1 && code2 == o.code2 &&
               port == o.port;
    }
};

inline bool TakeOne(Found &f) {
    char ip[VD_IP_LEN], version[VD_VERSION_LEN], mac[VD_MAC_LEN];
    uint8_t c1 = 0, c2 = 0;
    uint32_t port = 0;
    if (VD_GetSearchDev(ip, version, mac, &c1, &c2, &port) != VD_OK) return false;
    f = {ip, version, mac, c1, c2, port};
    return true;
}

// Takes devices until count are found or about a second has passed, then
// whatever else is already there.
inline std::vector<Found> TakeFound(size_t count) {
    std::vector<Found> all;
    Found f;
    for (int i = 0; i < 100 && all.size() < count; ++i) {
        while (TakeOne(f)) all.push_back(f);
        if (all.size() < count) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    while (TakeOne(f)) all.push_back(f);
    return all;
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

// Steps through every visible pair with an empty key.
inline Pairs TakeAllPairs() {
    Pairs out;
    for (;;) {
        char key[VD_KEY_LEN] = "", value[VD_VALUE_LEN] = "x";
        if (VD_GetDevConfigUDP(key, value) != VD_OK) {
            EXPECT_STREQ(value, "");
            return out;
        }
        out.emplace_back(key, value);
    }
}

inline double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

inline vdsim::Bytes Cat(vdsim::Bytes a, const vdsim::Bytes &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace fama

#endif
