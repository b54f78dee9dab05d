#include "sim_udp_port.h"

#include <poll.h>
#include <unistd.h>

namespace vdsim {

bool UdpDevicePort::Start(const std::string &ip, uint16_t port, Handler handler) {
    Stop();
    m_unicast = OpenUdp(ip, port);
    m_broadcast = OpenUdp("255.255.255.255", port);
    if (m_unicast < 0 || m_broadcast < 0) {
        Stop();
        return false;
    }
    // A real device also hears its subnet's broadcast address, which a
    // router may forward from another subnet; loopback has none.
    const std::string subnet = SubnetBroadcastOf(ip);
    if (!subnet.empty()) m_subnet = OpenUdp(subnet, port);
    m_thread.Start([this, handler = std::move(handler)](const std::atomic<bool> &stopping) {
        while (!stopping) {
            pollfd fds[3] = {{m_unicast, POLLIN, 0}, {m_broadcast, POLLIN, 0}, {m_subnet, POLLIN, 0}};
            if (poll(fds, m_subnet < 0 ? 2 : 3, 20) <= 0) continue;
            for (int i = 0; i < 3; ++i) {
                Datagram d;
                if ((fds[i].revents & POLLIN) && ReceiveDatagram(fds[i].fd, d, 0)) handler(d, i != 0);
            }
        }
    });
    return true;
}

void UdpDevicePort::Stop() {
    m_thread.Stop();
    for (int *fd : {&m_unicast, &m_broadcast, &m_subnet}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
}

bool UdpDevicePort::Answer(const std::vector<uint8_t> &bytes, const sockaddr_in &to) const {
    return SendDatagram(m_unicast, bytes, to);
}

}  // namespace vdsim
