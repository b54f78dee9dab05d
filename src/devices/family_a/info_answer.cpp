#include "devices/family_a/info_answer.h"

#include <algorithm>

namespace vd {

void InfoAnswer::Clear() {
    m_datagrams.clear();
    m_bytes = 0;
}

bool InfoAnswer::Take(const uint8_t *data, size_t len) {
    if (m_datagrams.size() >= kMaxAnswerDatagrams || len > kMaxAnswerBytes - m_bytes) return false;
    if (Holds(data, len)) return false;
    m_bytes += len;
    m_datagrams.emplace_back(data, data + len);
    return true;
}

bool InfoAnswer::Holds(const uint8_t *data, size_t len) const {
    return std::any_of(m_datagrams.begin(), m_datagrams.end(),
                       [&](const Packet &taken) { return std::equal(taken.begin(), taken.end(), data, data + len); });
}

}  // namespace vd
