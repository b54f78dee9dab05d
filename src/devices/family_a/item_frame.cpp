#include "devices/family_a/item_frame.h"

namespace vd {

namespace {
constexpr size_t kShortPacket = 15;
constexpr size_t kPadding = 15;
}  // namespace

bool NextItem(ByteReader &reader, ItemView &item) {
    const size_t start = reader.Position();
    uint8_t code, length;
    if (!reader.PeekAt(start + 1, code) || !reader.PeekAt(start + 2, length)) return false;
    if (!reader.Has(kItemOverhead + length)) return false;
    item.code = code;
    item.length = length;
    item.dataPos = start + 3;
    reader.Skip(kItemOverhead + length);
    return true;
}

bool HasItemFrame(const uint8_t *data, size_t len) {
    ByteReader reader(data, len);
    uint8_t start, length, end;
    if (!reader.PeekAt(0, start) || start != kItemStart) return false;
    if (!reader.PeekAt(2, length)) return false;
    return reader.PeekAt(size_t(length) + 3, end) && end == kItemEnd;
}

void AppendItem(Packet &packet, uint8_t code, const uint8_t *data, uint8_t n) {
    packet.push_back(kItemStart);
    packet.push_back(code);
    packet.push_back(n);
    packet.insert(packet.end(), data, data + n);
    packet.push_back(kItemEnd);
}

void PadShortPacket(Packet &packet) {
    if (!packet.empty() && packet.size() <= kShortPacket) packet.insert(packet.end(), kPadding, 0xFF);
}

Packet RequestPacket(uint8_t code) {
    const uint8_t zeros[2] = {0, 0};
    Packet packet;
    AppendItem(packet, code, zeros, 2);
    return packet;
}

}  // namespace vd
