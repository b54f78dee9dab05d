// CommandExchange: one named command sent once to one device, as an
// exchange of a fleet (core/device_exchange.h). A command over UDP is not
// answered, so the exchange ends as it is sent: family A's datagram
// commands go to the device's address, family B's restart is broadcast
// naming the device's MAC.
#ifndef VANDREL_FLEET_COMMAND_EXCHANGE_H
#define VANDREL_FLEET_COMMAND_EXCHANGE_H

#include "core/device_exchange.h"

namespace vd {

class CommandExchange : public DeviceExchange {
public:
    CommandExchange(DeviceJob job, DeviceLink &link) : DeviceExchange(link), m_job(std::move(job)) {}

    // Sends the command and ends: VD_OK once it went out, VD_FAIL for a
    // command the device's type does not take or a send that failed.
    void Start(TimePoint now) override;
    void OnDatagram(size_t, const uint8_t *, int, const char *) override {}
    void OnTimer(TimePoint) override {}

private:
    bool Send();

    DeviceJob m_job;
};

}  // namespace vd

#endif
