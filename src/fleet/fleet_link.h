// FleetLink: the link (core/device_link.h) of one fleet: a datagram socket
// for every family A exchange and one for every family B exchange, each
// read by the fleet's loop (net/event_loop.h) and its datagrams routed: on
// the first by the sender's address, on the second by the MAC a block reply
// carries. Broadcasts go along the paths of the interfaces as they were at
// most a second ago, not listed anew for each of a thousand requests.
#ifndef VANDREL_FLEET_FLEET_LINK_H
#define VANDREL_FLEET_FLEET_LINK_H

#include <chrono>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/device_exchange.h"
#include "net/client_socket.h"
#include "net/event_loop.h"
#include "net/interfaces.h"

namespace vd {

class FleetLink : public DeviceLink {
public:
    // False when a socket could not be opened.
    bool Open();
    // Has loop read both sockets.
    void ShareWith(net::EventLoop &loop);
    // The exchange has ended: no reply reaches it any more.
    void Forget(DeviceExchange &exchange);

    bool SendTo(const std::string &ip, uint16_t port, const uint8_t *bytes, size_t length) override;
    bool Broadcast(uint16_t port, const uint8_t *bytes, size_t length) override;
    void ExpectFrom(DeviceExchange &exchange, const std::string &ip) override;
    void ExpectMac(DeviceExchange &exchange, const std::string &mac) override;

private:
    using Routes = std::unordered_multimap<std::string, DeviceExchange *>;

    // Routes a socket's datagrams by the key its rule reads of each.
    class Router : public net::Router {
    public:
        explicit Router(bool byMac) : m_byMac(byMac) {}
        void Route(const uint8_t *bytes, int length, const char *from, std::vector<net::Exchange *> &to) override;
        Routes routes;

    private:
        const bool m_byMac;
    };

    void Expect(Router &router, DeviceExchange &exchange, const std::string &key);
    static void Drop(Routes &routes, DeviceExchange &exchange, const std::string &key);

    net::ClientSocket m_socketA, m_socketB;
    Router m_byAddress{false}, m_byMac{true};
    // The keys each running exchange is routed by.
    std::unordered_map<DeviceExchange *, std::vector<std::string>> m_keys;
    net::BroadcastPaths m_paths;
    std::chrono::steady_clock::time_point m_pathsListed;
    bool m_pathsKnown = false;
};

}  // namespace vd

#endif
