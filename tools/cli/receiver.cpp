#include "receiver.h"

#include <algorithm>

namespace vdcli {

bool Collected::Take(const char *piece, size_t count) {
    if (m_over) return false;
    const size_t room = m_cap - m_bytes.size();
    m_bytes.append(piece, std::min(count, room));
    m_cut = count > room;
    m_over = m_cut || std::chrono::steady_clock::now() >= m_deadline;
    return !m_over;
}

}  // namespace vdcli
