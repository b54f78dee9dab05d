#include "net/slot_map.h"

#include <algorithm>

#include "net/platform.h"

namespace vd::net {

namespace {

constexpr int32_t kGrowth = 512;

}  // namespace

SlotMap::SlotMap() : m_entries(kGrowth, nullptr) {}

int32_t SlotMap::Add(AsyncSocket *socket) {
    // Grow before the map is quite full, so that a free slot is found quickly.
    if (m_count >= Capacity() - 10 && Capacity() < kMaxSlots)
        m_entries.resize(size_t(std::min(Capacity() + kGrowth, kMaxSlots)), nullptr);
    const int32_t capacity = Capacity();
    for (int32_t i = 0; i < capacity; ++i) {
        const int32_t slot = (m_hint + i) % capacity;
        if (m_entries[size_t(slot)]) continue;
        m_entries[size_t(slot)] = socket;
        ++m_count;
        m_hint = (slot + 1) % capacity;
        return slot;
    }
    return -1;
}

void SlotMap::Remove(int32_t slot) {
    if (!At(slot)) return;
    m_entries[size_t(slot)] = nullptr;
    --m_count;
}

AsyncSocket *SlotMap::At(int32_t slot) const {
    return slot >= 0 && slot < Capacity() ? m_entries[size_t(slot)] : nullptr;
}

}  // namespace vd::net
