// The socket context's slot map: slot number -> socket object, with what the
// notification scan needs to know about each registered socket. A socket's
// notifications carry its slot in their message number, so lookups are plain
// indexing.
#ifndef VANDREL_NET_SLOT_MAP_H
#define VANDREL_NET_SLOT_MAP_H

#include <cstdint>
#include <vector>

namespace vd::net {

class CAsyncSocketEx;

struct SlotEntry {
    CAsyncSocketEx *socket = nullptr;
    int32_t armed = 0;        // event bits that may be announced now
    bool stream = false;
    bool connecting = false;  // a stream connect runs; its end is announced once
    bool connected = false;   // the stream is established (reads and closes are watched)
    bool ended = false;       // peer close, error or failed connect seen: no more watching
};

class CSlotMap {
public:
    static constexpr int32_t kInitialCapacity = 512;
    static constexpr int32_t kGrowth = 512;
    static constexpr int32_t kMaxCapacity = 48126;

    CSlotMap() : m_entries(kInitialCapacity) {}

    // The slot given to socket, or -1 when the map is full.
    int32_t Add(CAsyncSocketEx *socket, bool stream);
    void Remove(int32_t slot);
    // The occupied entry at slot; null when out of range or empty.
    SlotEntry *At(int32_t slot);

    int32_t Capacity() const { return int32_t(m_entries.size()); }
    int32_t Count() const { return m_count; }

private:
    std::vector<SlotEntry> m_entries;
    int32_t m_hint = 0;
    int32_t m_count = 0;
};

}  // namespace vd::net

#endif
