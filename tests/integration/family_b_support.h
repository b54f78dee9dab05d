// Helpers of the family B tests: the datagrams a device expects, and what a
// host does with the exports, in a few calls.
#ifndef VANDREL_TESTS_FAMILY_B_SUPPORT_H
#define VANDREL_TESTS_FAMILY_B_SUPPORT_H

#include <chrono>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "sim_family_b.h"
#include "vandrel.h"

namespace famb {

using vdsim::Bytes;

const vdsim::Mac kMac = {0x02, 0x00, 0x00, 0xAB, 0xCD, 0xEF};
const char *const kMacText = "02:00:00:AB:CD:EF";

inline Bytes Cat(Bytes a, const Bytes &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline Bytes Start(const vdsim::Mac &mac = kMac) { return Cat({0x00, 0x02, 0x00, 0x02}, Bytes(mac.begin(), mac.end())); }

inline Bytes ReadRequest(uint8_t block, const vdsim::Mac &mac = kMac) {
    return Cat(Start(mac), {0xA1, 0x14, 0x00, 0x02, block, 0x00, 0xFF});
}

inline Bytes RestartRequest(const vdsim::Mac &mac = kMac) { return ReadRequest(0x81, mac); }

inline Bytes WriteRequest(uint8_t block, const Bytes &data, const vdsim::Mac &mac = kMac) {
    return Cat(Cat(Cat(Start(mac), {0xA1, 0xFE, 0x01, 0x03, block, 0x00}), data), {0x00, 0xFF});
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

// Steps through every visible pair with an empty key.
inline Pairs TakeAllPairs() {
    Pairs out;
    for (;;) {
        char key[VD_KEY_LEN] = "", value[VD_VALUE_LEN] = "x";
        if (VD_GetDevConfigUDP(key, value) != VD_OK) return out;
        out.emplace_back(key, value);
    }
}

// The value of one key by name, or "<none>".
inline std::string Get(const char *name) {
    char key[VD_KEY_LEN], value[VD_VALUE_LEN] = "";
    snprintf(key, sizeof key, "%s", name);
    return VD_GetDevConfigUDP(key, value) == VD_OK ? value : "<none>";
}

inline double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace famb

#endif
