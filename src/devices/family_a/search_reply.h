// The fixed 25-byte search reply, the second reply form a search accepts
// besides item lists. It starts with 00 02 00 02 and lists the device's type
// code whatever family it names:
//   0 marker(4) | 4 MAC(6) | 10 unread(4) | 14 type | 15 code2 | 16 version v
//   17 IPv4(4) | 21 port, MSB first(2) | 23 unread(2)
#ifndef VANDREL_DEVICES_FAMILY_A_SEARCH_REPLY_H
#define VANDREL_DEVICES_FAMILY_A_SEARCH_REPLY_H

#include <cstddef>
#include <cstdint>

#include "codec/codec.h"

namespace vd {

constexpr size_t kFixedSearchReplyLength = 25;

// Fills record from a fixed search reply: ip from its bytes 17-20 (not the
// sender), version "%d.%02d" of v + 100. false, record untouched, when the
// datagram is not exactly 25 bytes starting with the marker.
bool DecodeFixedSearchReply(const uint8_t *data, size_t len, DeviceRecord &record);

}  // namespace vd

#endif
