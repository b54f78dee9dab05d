// The port a simulated UDP device listens on: a socket on its own address,
// one on 255.255.255.255 and one on its subnet's broadcast address, served
// by a thread of their own that sleeps until a datagram or the stop comes.
// A device of a fleet may leave its broadcasts to the fleet's hub
// (sim_broadcast_hub.h) and keep only its own address. Answers leave by the
// device's own socket, so that they come from its address.
#ifndef VANDREL_SIM_SIM_UDP_PORT_H
#define VANDREL_SIM_SIM_UDP_PORT_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sim_net.h"

namespace vdsim {

// Whether a port hears the broadcasts itself or a hub hears them for it.
enum class Broadcasts { Heard, LeftToHub };

class UdpDevicePort {
public:
    // Called on the port's thread for each datagram; broadcast: it arrived
    // on a broadcast address.
    using Handler = std::function<void(const Datagram &d, bool broadcast)>;

    UdpDevicePort() = default;
    ~UdpDevicePort() { Stop(); }
    UdpDevicePort(const UdpDevicePort &) = delete;
    UdpDevicePort &operator=(const UdpDevicePort &) = delete;

    // Binds ip:port and (when heard) 255.255.255.255:port; false when either
    // fails.
    bool Start(const std::string &ip, uint16_t port, Handler handler, Broadcasts broadcasts = Broadcasts::Heard);
    void Stop();
    bool Answer(const std::vector<uint8_t> &bytes, const sockaddr_in &to) const;

private:
    int m_unicast = -1, m_broadcast = -1, m_subnet = -1;
    // Raised by Stop, so that the thread need not wake to look.
    int m_wake = -1;
    SimThread m_thread;
};

}  // namespace vdsim

#endif
