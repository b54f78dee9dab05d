#include "fleet/fleet_link.h"

#include <algorithm>

#include "devices/family_b/block_protocol.h"
#include "net/broadcast_send.h"

namespace vd {

namespace {

// How long a listing of the interfaces serves the broadcasts.
constexpr std::chrono::seconds kPathsServe{1};

}  // namespace

bool FleetLink::Open() {
    return m_socketA.Open(net::SocketType::Datagram, "", 0) && m_socketB.Open(net::SocketType::Datagram, "", 0);
}

void FleetLink::ShareWith(net::EventLoop &loop) {
    loop.Share(m_socketA, m_byAddress);
    loop.Share(m_socketB, m_byMac);
}

bool FleetLink::SendTo(const std::string &ip, uint16_t port, const uint8_t *bytes, size_t length) {
    net::Endpoint to;
    if (!net::DestinationOf(ip.c_str(), port, to)) return false;
    return m_socketA.SendTo(bytes, int(length), to) > 0;
}

bool FleetLink::Broadcast(uint16_t port, const uint8_t *bytes, size_t length) {
    const auto now = std::chrono::steady_clock::now();
    if (!m_pathsKnown || now - m_pathsListed >= kPathsServe) {
        m_paths = net::CurrentBroadcastPaths();
        m_pathsListed = now;
        m_pathsKnown = true;
    }
    return net::SendBroadcastAlong(m_paths, m_socketB.GetHandle(), bytes, int(length), port) >= 1;
}

void FleetLink::ExpectFrom(DeviceExchange &exchange, const std::string &ip) { Expect(m_byAddress, exchange, ip); }

void FleetLink::ExpectMac(DeviceExchange &exchange, const std::string &mac) { Expect(m_byMac, exchange, mac); }

// A key named again is routed once: each datagram reaches an exchange once.
void FleetLink::Expect(Router &router, DeviceExchange &exchange, const std::string &key) {
    std::vector<std::string> &keys = m_keys[&exchange];
    if (std::find(keys.begin(), keys.end(), key) != keys.end()) return;
    keys.push_back(key);
    router.routes.emplace(key, &exchange);
}

void FleetLink::Drop(Routes &routes, DeviceExchange &exchange, const std::string &key) {
    const auto range = routes.equal_range(key);
    for (auto it = range.first; it != range.second; ++it)
        if (it->second == &exchange) {
            routes.erase(it);
            return;
        }
}

// Only the exchange's own entries go, from both tables.
void FleetLink::Forget(DeviceExchange &exchange) {
    const auto keys = m_keys.find(&exchange);
    if (keys == m_keys.end()) return;
    for (const std::string &key : keys->second) {
        Drop(m_byAddress.routes, exchange, key);
        Drop(m_byMac.routes, exchange, key);
    }
    m_keys.erase(keys);
}

void FleetLink::Router::Route(const uint8_t *bytes, int length, const char *from, std::vector<net::Exchange *> &to) {
    std::string key = from;
    if (m_byMac) {
        BlockReply reply;
        if (!ParseBlockReply(bytes, size_t(length), reply)) return;
        key = std::move(reply.mac);
    }
    const auto range = routes.equal_range(key);
    for (auto it = range.first; it != range.second; ++it) to.push_back(it->second);
}

}  // namespace vd
