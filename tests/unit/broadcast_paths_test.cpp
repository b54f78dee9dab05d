// Which interfaces a broadcast leaves by, for the interfaces a host may have
// and the values VANDREL_INTERFACES may hold.
#include <gtest/gtest.h>

#include <cstring>

#include "base/text.h"
#include "net/broadcast_paths.h"

using namespace vd::net;

namespace {

uint32_t Ip(const char *text) { return vd::InetAddrValue(text); }
std::string Dotted(uint32_t address) {
    uint8_t bytes[4];
    std::memcpy(bytes, &address, 4);
    return vd::FormatIp(bytes);
}

TEST(BroadcastPaths, EveryUsableInterfaceOnceAndTheRoutedWayWhereItAddsOne) {
    // lo, eth0 with a second address, a tunnel without broadcast, an
    // interface that is down, and a bridge.
    const std::vector<NetInterface> host = {
        {"lo", 1, Ip("127.0.0.1"), true, false},     {"eth0", 2, Ip("198.18.1.1"), true, true},
        {"eth1", 3, Ip("198.18.2.1"), true, true},   {"eth0", 2, Ip("198.18.1.7"), true, true},
        {"tun0", 4, Ip("198.19.0.1"), true, false},  {"eth2", 5, Ip("198.18.3.1"), false, true},
        {"br0", 6, Ip("198.18.4.1"), true, true},
    };
    const struct {
        const char *selection;  // null: unset
        const char *routedVia;  // null: no route
        const char *expected;   // each link's name and address, then whether routed
    } cases[] = {
        {nullptr, "198.18.1.7", "eth0 198.18.1.1 eth1 198.18.2.1 br0 198.18.4.1 -"},
        {nullptr, "198.19.0.1", "eth0 198.18.1.1 eth1 198.18.2.1 br0 198.18.4.1 routed"},
        {nullptr, "127.0.0.1", "eth0 198.18.1.1 eth1 198.18.2.1 br0 198.18.4.1 routed"},
        {nullptr, "198.18.9.9", "eth0 198.18.1.1 eth1 198.18.2.1 br0 198.18.4.1 routed"},
        {nullptr, nullptr, "eth0 198.18.1.1 eth1 198.18.2.1 br0 198.18.4.1 -"},
        {" eth1 , br0,", "198.19.0.1", "eth1 198.18.2.1 br0 198.18.4.1 -"},
        {"tun0", "198.19.0.1", "routed"},
        {"lo", "127.0.0.1", "routed"},
        {"eth2,ETH0,eth0:1,eth0;eth1", "198.19.0.1", "-"},
    };
    for (const auto &c : cases) {
        const std::string selection = c.selection ? c.selection : "";
        const uint32_t routed = c.routedVia ? Ip(c.routedVia) : 0;
        const BroadcastPaths p = ChooseBroadcastPaths(host, c.selection ? &selection : nullptr, c.routedVia ? &routed : nullptr);
        std::string got;
        for (const NetInterface &l : p.links) got += l.name + " " + Dotted(l.address) + " ";
        EXPECT_EQ(got + (p.routed ? "routed" : "-"), c.expected) << (c.selection ? c.selection : "(unset)");
    }
}

}  // namespace
