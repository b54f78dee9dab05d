#include "sim_search_responder.h"

#include <arpa/inet.h>
#include <poll.h>
#include <unistd.h>

namespace vdsim {

std::vector<uint8_t> SearchResponder::Reply(const SearchIdentity &id) {
    std::vector<uint8_t> r(25, 0x00);
    r[1] = r[3] = 0x02;  // the marker 00 02 00 02
    for (size_t i = 0; i < 6; ++i) r[4 + i] = id.mac[i];
    r[14] = id.type;
    r[15] = id.code2;
    r[16] = id.version;
    in_addr ip{};
    inet_pton(AF_INET, id.ip.c_str(), &ip);
    const uint32_t host = ntohl(ip.s_addr);
    for (size_t i = 0; i < 4; ++i) r[17 + i] = uint8_t(host >> (24 - 8 * i));
    r[21] = uint8_t(id.port >> 8);
    r[22] = uint8_t(id.port);
    return r;
}

bool SearchResponder::Start() {
    Stop();
    m_unicast = OpenUdp(m_id.ip, m_listenPort);
    m_broadcast = OpenUdp("255.255.255.255", m_listenPort);
    if (m_unicast < 0 || m_broadcast < 0) {
        Stop();
        return false;
    }
    m_thread.Start([this](const std::atomic<bool> &stopping) { Serve(stopping); });
    return true;
}

void SearchResponder::Stop() {
    m_thread.Stop();
    for (int *fd : {&m_unicast, &m_broadcast}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
}

void SearchResponder::Serve(const std::atomic<bool> &stopping) {
    const std::vector<uint8_t> reply = Reply(m_id);
    while (!stopping) {
        pollfd fds[2] = {{m_unicast, POLLIN, 0}, {m_broadcast, POLLIN, 0}};
        if (poll(fds, 2, 20) <= 0) continue;
        for (const pollfd &p : fds) {
            Datagram d;
            if (!(p.revents & POLLIN) || !ReceiveDatagram(p.fd, d, 0)) continue;
            if (d.bytes.size() < 2 || d.bytes[0] != 0xA1 || d.bytes[1] != 0x15) continue;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_answered.push_back(AddressText(d.from));
            }
            // Answered from the device's own address, as the device does.
            SendDatagram(m_unicast, reply, d.from);
        }
    }
}

std::vector<std::string> SearchResponder::Answered() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_answered;
}

}  // namespace vdsim
