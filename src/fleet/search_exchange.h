// SearchExchange: a search for devices as one exchange of a fleet
// (core/device_exchange.h), on a datagram socket of its own, so that its
// answers, from any address, never mix with the replies the fleet's link
// routes to the operations on devices. It sends the search request to UDP
// port 8800 of its address (the broadcast address along every broadcast
// path when it has none) and again every 250 ms while its wait lasts
// (every 100 ms when it waits for one device), takes both answer forms of
// both families (the fixed 25-byte reply and an item list) into its
// SearchFinds, and ends at its deadline or once the device it waits for
// has answered. VD_OK when any device answered, VD_FAIL when none did; its
// pairs are REQUESTS (the requests sent) and LEFT_OUT (answers past the
// bound).
#ifndef VANDREL_FLEET_SEARCH_EXCHANGE_H
#define VANDREL_FLEET_SEARCH_EXCHANGE_H

#include <memory>

#include "core/device_exchange.h"
#include "fleet/search_finds.h"
#include "net/client_socket.h"

namespace vd {

class SearchExchange : public DeviceExchange {
public:
    SearchExchange(DeviceJob job, DeviceLink &link, std::shared_ptr<SearchFinds> finds)
        : DeviceExchange(link), m_job(std::move(job)), m_finds(std::move(finds)) {}

    std::vector<net::ClientSocket *> Sockets() override { return {&m_socket}; }
    void Start(TimePoint now) override;
    void OnDatagram(size_t socket, const uint8_t *bytes, int length, const char *from) override;
    void OnTimer(TimePoint now) override;

private:
    void Send(TimePoint now);
    // Whether the answer is the one of the device the search waits for.
    bool IsAwaited(const DeviceRecord &record) const;
    void End(int32_t result);

    DeviceJob m_job;
    std::shared_ptr<SearchFinds> m_finds;
    net::ClientSocket m_socket;
    TimePoint m_end;
    int m_requests = 0;
};

}  // namespace vd

#endif
