#include "sim_search_responder.h"

#include <arpa/inet.h>

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
    return m_udp.Start(m_id.ip, m_listenPort, [this, reply = Reply(m_id)](const Datagram &d, bool) {
        if (d.bytes.size() < 2 || d.bytes[0] != 0xA1 || d.bytes[1] != 0x15) return;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_answered.push_back(AddressText(d.from));
        }
        m_udp.Answer(reply, d.from);
    });
}

void SearchResponder::Stop() { m_udp.Stop(); }

std::vector<std::string> SearchResponder::Answered() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_answered;
}

}  // namespace vdsim
