// Which interfaces a broadcast leaves by, for the interfaces a host may have
// and the values VANDREL_INTERFACES may hold.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "net/broadcast_paths.h"

using namespace vd::net;

namespace {

uint32_t Ip(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    const uint8_t bytes[4] = {a, b, c, d};
    uint32_t value;
    std::memcpy(&value, bytes, 4);
    return value;
}

// lo, two Ethernet links (eth0 with a second address), a tunnel that holds
// no broadcast, an interface that is down, and a bridge.
const std::vector<NetInterface> kHost = {
    {"lo", 1, Ip(127, 0, 0, 1), true, false},
    {"eth0", 2, Ip(198, 18, 1, 1), true, true},
    {"eth1", 3, Ip(198, 18, 2, 1), true, true},
    {"eth0", 2, Ip(198, 18, 1, 7), true, true},
    {"tun0", 4, Ip(198, 19, 0, 1), true, false},
    {"eth2", 5, Ip(198, 18, 3, 1), false, true},
    {"br0", 6, Ip(198, 18, 4, 1), true, true},
};

// "eth0@1 eth1@1 +routed": each link with its address's last byte.
std::string Describe(const BroadcastPaths &p) {
    std::string text;
    for (const NetInterface &l : p.links) {
        uint8_t bytes[4];
        std::memcpy(bytes, &l.address, 4);
        text += l.name + "@" + std::to_string(bytes[3]) + " ";
    }
    return text + (p.routed ? "+routed" : "-");
}

struct Case {
    const char *selection;  // null: unset
    const uint32_t *routed;
    const char *expected;
};

TEST(BroadcastPaths, EveryUsableInterfaceAndTheRoutedWayWhereItAddsOne) {
    const uint32_t viaEth1 = Ip(198, 18, 2, 1), viaSecond = Ip(198, 18, 1, 7), viaTunnel = Ip(198, 19, 0, 1),
                   viaLoopback = Ip(127, 0, 0, 1), unknown = Ip(198, 18, 9, 9);
    const Case cases[] = {
        // Unset: eth0 once (its first address), eth1, br0; the routed way
        // only where it leaves by an interface not covered.
        {nullptr, &viaEth1, "eth0@1 eth1@1 br0@1 -"},
        {nullptr, &viaSecond, "eth0@1 eth1@1 br0@1 -"},
        {nullptr, &viaTunnel, "eth0@1 eth1@1 br0@1 +routed"},
        {nullptr, &unknown, "eth0@1 eth1@1 br0@1 +routed"},
        {nullptr, nullptr, "eth0@1 eth1@1 br0@1 -"},
        // Set: exactly the interfaces named, blanks around names ignored.
        {"eth1", &viaEth1, "eth1@1 -"},
        {" eth1 , br0,", &viaTunnel, "eth1@1 br0@1 -"},
        {"tun0", &viaTunnel, "+routed"},
        {"lo", &viaLoopback, "+routed"},
        {"eth1", &unknown, "eth1@1 -"},
        // Names that match nothing usable send nothing at all.
        {"", &viaEth1, "-"},
        {" , ,", &viaTunnel, "-"},
        {"eth2", &viaEth1, "-"},
        {"eth9,ETH0,eth0:1,eth0;eth1", &viaTunnel, "-"},
    };
    for (const Case &c : cases) {
        const std::string selection = c.selection ? c.selection : "";
        const BroadcastPaths p = ChooseBroadcastPaths(kHost, c.selection ? &selection : nullptr, c.routed);
        EXPECT_EQ(Describe(p), c.expected) << (c.selection ? c.selection : "(unset)");
    }
}

TEST(BroadcastPaths, LoopbackOnlyHostGoesTheRoutedWay) {
    const uint32_t loopback = Ip(127, 0, 0, 1);
    EXPECT_EQ(Describe(ChooseBroadcastPaths({kHost[0]}, nullptr, &loopback)), "+routed");
    EXPECT_EQ(Describe(ChooseBroadcastPaths({}, nullptr, nullptr)), "-");
}

TEST(BroadcastPaths, DozensOfInterfacesEachOnce) {
    std::vector<NetInterface> many;
    for (uint32_t i = 0; i < 60; ++i)
        for (uint8_t a = 1; a <= 2; ++a)
            many.push_back({"veth" + std::to_string(i), i + 1, Ip(198, 18, uint8_t(i), a), true, true});
    const BroadcastPaths p = ChooseBroadcastPaths(many, nullptr, nullptr);
    ASSERT_EQ(p.links.size(), 60u);
    for (uint32_t i = 0; i < 60; ++i) EXPECT_EQ(p.links[i].address, Ip(198, 18, uint8_t(i), 1));
}

}  // namespace
