#include "net/slot_map.h"

#include <algorithm>

namespace vd::net {

int32_t CSlotMap::Add(CAsyncSocketEx *socket, bool stream) {
    // Grow before the map is quite full, so that a free slot is found quickly.
    if (m_count >= Capacity() - 10 && Capacity() < kMaxCapacity)
        m_entries.resize(size_t(std::min(Capacity() + kGrowth, kMaxCapacity)));
    const int32_t capacity = Capacity();
    for (int32_t i = 0; i < capacity; ++i) {
        const int32_t slot = (m_hint + i) % capacity;
        SlotEntry &entry = m_entries[size_t(slot)];
        if (entry.socket) continue;
        entry = SlotEntry{};
        entry.socket = socket;
        entry.stream = stream;
        ++m_count;
        m_hint = (slot + 1) % capacity;
        return slot;
    }
    return -1;
}

void CSlotMap::Remove(int32_t slot) {
    SlotEntry *entry = At(slot);
    if (!entry) return;
    *entry = SlotEntry{};
    --m_count;
}

SlotEntry *CSlotMap::At(int32_t slot) {
    if (slot < 0 || slot >= Capacity()) return nullptr;
    SlotEntry &entry = m_entries[size_t(slot)];
    return entry.socket ? &entry : nullptr;
}

}  // namespace vd::net
