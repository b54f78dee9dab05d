#include "devices/family_a/write_packet.h"

#include "codec/codec.h"

namespace vd {

namespace {

// The bytes a value text is written as; a row's read-back is compared with
// what was staged through them, so that two texts of one value agree.
std::vector<uint8_t> Encoded(const ItemRow &row, const std::string &text) {
    std::vector<uint8_t> bytes;
    WriteValue(row.kind, text, bytes);
    return bytes;
}

}  // namespace

Packet BuildWritePacket(const DeviceRecord &staged) {
    Packet packet;
    std::vector<uint8_t> data;
    for (size_t i = 0; i < staged.keys.size(); ++i) {
        const ItemRow *row = FindWriteRow(staged.keys[i], staged.code1);
        if (!row) continue;
        data.clear();
        WriteValue(row->kind, staged.values[i], data);
        if (packet.size() + data.size() + kItemOverhead > kMaxWritePacket) continue;
        AppendItem(packet, row->code, data.data(), uint8_t(data.size()));
    }
    PadShortPacket(packet);
    return packet;
}

DeviceRecord NotHeld(const DeviceRecord &pending, const DeviceRecord &held) {
    DeviceRecord left;
    left.code1 = pending.code1;
    for (size_t i = 0; i < pending.keys.size(); ++i) {
        const ItemRow *row = FindWriteRow(pending.keys[i], pending.code1);
        if (!row || row->access == ItemAccess::WriteOnly) continue;
        const int at = held.Find(row->key);
        if (at < 0 || Encoded(*row, held.values[size_t(at)]) != Encoded(*row, pending.values[i]))
            left.Append(pending.keys[i], pending.values[i]);
    }
    return left;
}

}  // namespace vd
