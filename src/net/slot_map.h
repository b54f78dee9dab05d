// The socket context's slot map: slot number -> socket object. A socket's
// notifications carry its slot in their message number, so lookups are plain
// indexing. Free slots are found from a moving hint; the map grows in steps
// of 512 up to kMaxSlots and never shrinks.
#ifndef VANDREL_NET_SLOT_MAP_H
#define VANDREL_NET_SLOT_MAP_H

#include <cstdint>
#include <vector>

namespace vd::net {

class AsyncSocket;

class SlotMap {
public:
    SlotMap();

    // The slot given to socket, or -1 when the map is full.
    int32_t Add(AsyncSocket *socket);
    void Remove(int32_t slot);
    // The socket at slot; null when out of range or empty.
    AsyncSocket *At(int32_t slot) const;
    int32_t Capacity() const { return int32_t(m_entries.size()); }

private:
    std::vector<AsyncSocket *> m_entries;
    int32_t m_hint = 0;
    int32_t m_count = 0;
};

}  // namespace vd::net

#endif
