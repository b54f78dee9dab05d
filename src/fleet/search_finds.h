// SearchFinds: the answers of one search of a fleet, held between the
// fleet's thread, which adds them as they come, and the host's, which takes
// them while the search runs and after. Each distinct answer is kept once
// (a device heard over two links answers twice, alike), at most
// kMaxSearchAnswers of them over the search: a bound on what devices that
// answer with ever new addresses can make a host hold; those past it are
// counted.
#ifndef VANDREL_FLEET_SEARCH_FINDS_H
#define VANDREL_FLEET_SEARCH_FINDS_H

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_set>

#include "codec/codec.h"

namespace vd {

// Twice the 65,536 devices of a crowd.
constexpr size_t kMaxSearchAnswers = 131072;

class SearchFinds {
public:
    // Keeps record unless an alike answer came before.
    void Add(DeviceRecord record);
    // The oldest answer not yet taken; false when none is waiting.
    bool Take(DeviceRecord &out);
    // Answers that came past the bound.
    uint64_t LeftOut() const;
    // Whether any answer came, kept or not.
    bool Any() const;

private:
    mutable std::mutex m_mutex;
    std::deque<DeviceRecord> m_waiting;
    std::unordered_set<std::string> m_seen;
    uint64_t m_leftOut = 0;
};

}  // namespace vd

#endif
