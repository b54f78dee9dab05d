#include "devices/family_a/info_answer.h"

#include <algorithm>

namespace vd {

void InfoAnswer::Clear() {
    m_datagrams.clear();
    m_bytes = 0;
}

bool InfoAnswer::Take(const uint8_t *data, size_t len) {
    if (m_datagrams.size() >= kMaxAnswerDatagrams || len > kMaxAnswerBytes - m_bytes) return false;
    Packet datagram(data, data + len);
    if (std::find(m_datagrams.begin(), m_datagrams.end(), datagram) != m_datagrams.end()) return false;
    m_bytes += len;
    m_datagrams.push_back(std::move(datagram));
    return true;
}

}  // namespace vd
