#include "devices/family_a/decode_items.h"

#include <string>

#include "base/byte_reader.h"
#include "devices/family_a/item_frame.h"
#include "codec/codec.h"

namespace vd {

void DecodeItems(const uint8_t *data, size_t len, DeviceRecord &record) {
    ByteReader items(data, len);
    ItemView item;
    while (NextItem(items, item)) {
        const ItemRow *row = FindReplyRow(item.code, record.code1);
        if (!row) continue;
        ByteReader value(data, len);
        value.Seek(item.dataPos);
        std::string text;
        if (!ReadValue(row->kind, value, item.length, text)) continue;
        record.Append(row->key, text);
        if (item.code == kCodeType) record.code1 = static_cast<uint8_t>(AtoI(text));
        if (row->kind == ValueKind::Mac) record.mac = text;
    }
}

}  // namespace vd
