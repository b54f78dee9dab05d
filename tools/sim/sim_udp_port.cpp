#include "sim_udp_port.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace vdsim {

bool UdpDevicePort::Start(const std::string &ip, uint16_t port, Handler handler, Broadcasts broadcasts) {
    Stop();
    const bool heard = broadcasts == Broadcasts::Heard;
    m_unicast = OpenUdp(ip, port);
    if (heard) m_broadcast = OpenUdp("255.255.255.255", port);
    if (m_unicast < 0 || (heard && m_broadcast < 0) || (m_wake = eventfd(0, EFD_CLOEXEC)) < 0) {
        Stop();
        return false;
    }
    // A real device also hears its subnet's broadcast address, which a
    // router may forward from another subnet; loopback has none.
    const std::string subnet = heard ? SubnetBroadcastOf(ip) : "";
    if (!subnet.empty()) m_subnet = OpenUdp(subnet, port);
    m_thread.Start([this, handler = std::move(handler)](const std::atomic<bool> &stopping) {
        while (!stopping) {
            pollfd fds[4] = {{m_wake, POLLIN, 0}, {m_unicast, POLLIN, 0}, {m_broadcast, POLLIN, 0},
                             {m_subnet, POLLIN, 0}};
            if (poll(fds, 4, -1) <= 0 || (fds[0].revents & POLLIN)) continue;
            for (int i = 1; i < 4; ++i) {
                Datagram d;
                if ((fds[i].revents & POLLIN) && ReceiveDatagram(fds[i].fd, d, 0)) handler(d, i != 1);
            }
        }
    });
    return true;
}

// The wake count stays unread, so that the thread finds it at every turn
// until it has seen the stop.
void UdpDevicePort::Stop() {
    const uint64_t one = 1;
    if (m_wake >= 0) (void)!write(m_wake, &one, sizeof one);
    m_thread.Stop();
    for (int *fd : {&m_unicast, &m_broadcast, &m_subnet, &m_wake}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
}

bool UdpDevicePort::Answer(const std::vector<uint8_t> &bytes, const sockaddr_in &to) const {
    return SendDatagram(m_unicast, bytes, to);
}

}  // namespace vdsim
