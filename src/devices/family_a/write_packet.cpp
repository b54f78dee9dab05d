#include "devices/family_a/write_packet.h"

#include "codec/codec.h"

namespace vd {

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

}  // namespace vd
