// Answers the family A discovery request (A1 15 ...) on UDP port 8800 for a
// device that does not speak the item protocol itself, such as a family B
// serial server: the answer is the fixed 25-byte search reply that carries
// the device's MAC, type code, version, address and port.
#ifndef VANDREL_SIM_SIM_SEARCH_RESPONDER_H
#define VANDREL_SIM_SIM_SEARCH_RESPONDER_H

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "sim_udp_port.h"

namespace vdsim {

struct SearchIdentity {
    std::string ip;  // the device's own 127.0.0.x address
    std::array<uint8_t, 6> mac{};
    uint8_t type = 0;
    uint8_t code2 = 0;
    uint8_t version = 0;  // 5 reads as 1.05
    uint16_t port = 0;    // the port the reply names
};

class SearchResponder {
public:
    explicit SearchResponder(SearchIdentity identity, uint16_t listenPort = 8800)
        : m_id(std::move(identity)), m_listenPort(listenPort) {}
    ~SearchResponder() { Stop(); }
    SearchResponder(const SearchResponder &) = delete;
    SearchResponder &operator=(const SearchResponder &) = delete;

    // The 25-byte fixed search reply of this identity.
    static std::vector<uint8_t> Reply(const SearchIdentity &id);

    // Binds ip:port and 255.255.255.255:port; false when either fails.
    bool Start();
    void Stop();

    // Senders of the searches answered so far, in order.
    std::vector<std::string> Answered() const;

private:

    const SearchIdentity m_id;
    const uint16_t m_listenPort;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_answered;
    UdpDevicePort m_udp;
};

}  // namespace vdsim

#endif
