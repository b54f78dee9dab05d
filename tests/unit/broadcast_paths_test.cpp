// Which interfaces a broadcast leaves by, for the interfaces a host may have
// and the values VANDREL_INTERFACES may hold.
#include <gtest/gtest.h>

#include <cstring>

#include "base/text.h"
#include "net/interfaces.h"

using namespace vd::net;

namespace {

uint32_t Ip(const char *text) { return vd::InetAddrValue(text); }
std::string Dotted(uint32_t address) {
    uint8_t bytes[4];
    std::memcpy(bytes, &address, 4);
    return vd::FormatIp(bytes);
}

NetInterface Link(const char *name, uint32_t index, const char *address, bool up, bool broadcast,
                  const char *alias = "") {
    return {name, index, Ip(address), up, broadcast, 0, alias};
}

TEST(BroadcastPaths, EveryUsableInterfaceOnceAndTheRoutedWayWhereItAddsOne) {
    // lo, eth0 with a second address, a tunnel without broadcast, an
    // interface that is down, a bridge; and two named as on Windows, each
    // also by its address, one bearing the other's address as its name.
    const std::vector<NetInterface> host = {
        Link("lo", 1, "127.0.0.1", true, false),     Link("eth0", 2, "198.18.1.1", true, true),
        Link("eth1", 3, "198.18.2.1", true, true),   Link("eth0", 2, "198.18.1.7", true, true),
        Link("tun0", 4, "198.19.0.1", true, false),  Link("eth2", 5, "198.18.3.1", false, true),
        Link("br0", 6, "198.18.4.1", true, true),    Link("Ethernet 2", 7, "198.18.5.1", true, true, "198.18.5.1"),
        Link("198.18.5.1", 8, "198.18.6.1", true, true, "198.18.6.1"),
    };
    const char *every = "eth0 198.18.1.1 eth1 198.18.2.1 br0 198.18.4.1 Ethernet 2 198.18.5.1 198.18.5.1 198.18.6.1 ";
    const struct {
        const char *selection;  // null: unset
        const char *routedVia;  // null: no route
        std::string expected;   // each link's name and address, then whether routed
    } cases[] = {
        {nullptr, "198.18.1.7", every + std::string("-")},
        {nullptr, "198.19.0.1", every + std::string("routed")},
        {nullptr, "127.0.0.1", every + std::string("routed")},
        {nullptr, "198.18.9.9", every + std::string("routed")},
        {nullptr, nullptr, every + std::string("-")},
        {" eth1 , br0,", "198.19.0.1", "eth1 198.18.2.1 br0 198.18.4.1 -"},
        {"eth1", "198.18.9.9", "eth1 198.18.2.1 -"},  // a route by no interface named
        {"tun0", "198.19.0.1", "routed"},
        {"lo", "127.0.0.1", "routed"},
        {"eth2,ETH0,eth0:1,eth0;eth1", "198.19.0.1", "-"},
        {"Ethernet 2", nullptr, "Ethernet 2 198.18.5.1 -"},
        {"198.18.5.1", nullptr, "198.18.5.1 198.18.6.1 -"},
        {"198.18.6.1,198.18.1.1", nullptr, "198.18.5.1 198.18.6.1 -"},
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
