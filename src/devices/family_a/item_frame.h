// Item framing, the unit of every family A datagram in both directions:
// A1, item code, n, n data bytes, FF. A datagram is one or more items back to
// back; outgoing configuration and command packets may trail 0xFF padding.
#ifndef VANDREL_DEVICES_FAMILY_A_ITEM_FRAME_H
#define VANDREL_DEVICES_FAMILY_A_ITEM_FRAME_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/byte_reader.h"

namespace vd {

constexpr uint8_t kItemStart = 0xA1;
constexpr uint8_t kItemEnd = 0xFF;
constexpr size_t kItemOverhead = 4;

// Request item codes.
constexpr uint8_t kCodeInfoRequest = 0x14;
constexpr uint8_t kCodeSearchRequest = 0x15;

using Packet = std::vector<uint8_t>;

// One item of a received datagram: where its data starts and its length byte.
struct ItemView {
    uint8_t code = 0;
    uint8_t length = 0;
    size_t dataPos = 0;
};

// Reads the item at the reader's position when it lies wholly inside the
// datagram (its start and end bytes are not looked at) and moves past it.
// false, without moving, when it does not fit.
bool NextItem(ByteReader &reader, ItemView &item);

// The frame check of a received datagram: byte 0 is A1 and the end byte of
// the first item lies inside the datagram and is FF.
bool HasItemFrame(const uint8_t *data, size_t len);

void AppendItem(Packet &packet, uint8_t code, const uint8_t *data, uint8_t n);

// Configuration and command packets of 1 to 15 bytes get 15 bytes of 0xFF
// behind them: the device ignores shorter datagrams.
void PadShortPacket(Packet &packet);

// A request item with two zero data bytes (search, information request).
Packet RequestPacket(uint8_t code);

}  // namespace vd

#endif
