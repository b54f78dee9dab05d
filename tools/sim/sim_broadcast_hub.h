// The broadcasts of one UDP port heard once for a whole fleet: one socket on
// 255.255.255.255 (and one on each subnet broadcast address its devices
// have) and one thread, which hands each datagram to the devices whose MAC
// it carries at bytes 4 to 9 (how every family B request names its device).
// Each device bound its own socket on the port would get a copy of every
// broadcast, so a fleet of n devices would take n copies of each, a cost
// that grows with the square of the fleet.
#ifndef VANDREL_SIM_SIM_BROADCAST_HUB_H
#define VANDREL_SIM_SIM_BROADCAST_HUB_H

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "sim_net.h"

namespace vdsim {

class BroadcastHub {
public:
    using Handler = std::function<void(const Datagram &d)>;
    using Mac = std::array<uint8_t, 6>;

    explicit BroadcastHub(uint16_t port) : m_port(port) {}
    ~BroadcastHub();
    BroadcastHub(const BroadcastHub &) = delete;
    BroadcastHub &operator=(const BroadcastHub &) = delete;

    // From now on hands the broadcasts for mac to handler (on the hub's
    // thread); ip's subnet broadcast address is heard too. False when the
    // hub's sockets cannot be opened.
    bool Join(const Mac &mac, const std::string &ip, Handler handler);
    // Once it returns, handler is not called again.
    void Leave(const Mac &mac);

private:
    bool Listen(const std::string &address);
    // Wakes the thread to take the sockets anew or to see the stop.
    void Raise();
    void Serve(const std::atomic<bool> &stopping);
    void Deliver(const Datagram &d);

    const uint16_t m_port;
    std::mutex m_lock;  // held while a handler runs, so that Leave waits for it
    std::multimap<Mac, Handler> m_devices;
    std::map<std::string, int> m_sockets;  // by the broadcast address they hear
    int m_wake = -1;                       // raised when the sockets change or at the stop
    std::atomic<bool> m_stop{false};       // set before the stop raises the wake
    SimThread m_thread;
};

}  // namespace vdsim

#endif
