// DeviceLink: the sockets that a fleet's device exchanges share. An exchange
// sends its requests through it and names whose replies it takes: a family
// A exchange those from the address it asked, a family B exchange those
// that carry its MAC. The link hands each reply only to the exchanges that
// named it, so a thousand exchanges need two sockets, not a thousand, and
// none of them sees another device's replies.
#ifndef VANDREL_CORE_DEVICE_LINK_H
#define VANDREL_CORE_DEVICE_LINK_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace vd {

class DeviceExchange;

class DeviceLink {
public:
    virtual ~DeviceLink() = default;
    // A family A request to ip:port; false when it did not go out.
    virtual bool SendTo(const std::string &ip, uint16_t port, const uint8_t *bytes, size_t length) = 0;
    // A family B request to the broadcast address, along every broadcast
    // path; false when it went out along none.
    virtual bool Broadcast(uint16_t port, const uint8_t *bytes, size_t length) = 0;
    // From now on the family A replies from ip, or the family B replies
    // that carry mac (its text as the replies' MAC reads), reach exchange,
    // until it ends.
    virtual void ExpectFrom(DeviceExchange &exchange, const std::string &ip) = 0;
    virtual void ExpectMac(DeviceExchange &exchange, const std::string &mac) = 0;
};

}  // namespace vd

#endif
