// InfoAnswer: the datagrams that make up one answer to an information
// request. A device may answer in several datagrams, whose pairs add up; a
// copy of one already taken (a duplicating link, or the answer to a request
// sent again) adds nothing. A hostile device can send distinct datagrams
// without end, so an answer takes at most kMaxAnswerDatagrams of them and
// kMaxAnswerBytes in all, and drops the rest: that bounds the pairs too, at
// one per 4 bytes (an item's framing), 4,096 at most.
#ifndef VANDREL_DEVICES_FAMILY_A_INFO_ANSWER_H
#define VANDREL_DEVICES_FAMILY_A_INFO_ANSWER_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "devices/family_a/item_frame.h"

namespace vd {

// A device holds all its settings in one datagram of at most 2,048 bytes;
// eight of them is room to spare.
constexpr size_t kMaxAnswerDatagrams = 8;
constexpr size_t kMaxAnswerBytes = 16 * 1024;

class InfoAnswer {
public:
    // Starts a new answer.
    void Clear();
    // true when the datagram belongs to the answer: it is no copy of one
    // taken and fits within the bounds. It is then remembered.
    bool Take(const uint8_t *data, size_t len);
    // true when a copy of the datagram was taken.
    bool Holds(const uint8_t *data, size_t len) const;

private:
    std::vector<Packet> m_datagrams;
    size_t m_bytes = 0;
};

}  // namespace vd

#endif
