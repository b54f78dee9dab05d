// The family A item table: which key each item code stands for, with what
// value kind, in which type groups. Several codes mean different keys in the
// three groups (10T: types 3, 7, 9; CAN: 17, 18, 19; serial: the others).
#ifndef VANDREL_DEVICES_FAMILY_A_ITEM_TABLE_H
#define VANDREL_DEVICES_FAMILY_A_ITEM_TABLE_H

#include <cstddef>
#include <cstdint>

#include "base/text.h"
#include "devices/family_a/value_kind.h"

namespace vd {

enum TypeGroup : uint8_t {
    kGroupSerial = 1,
    kGroup10T = 2,
    kGroupCan = 4,
    kGroupAll = kGroupSerial | kGroup10T | kGroupCan,
};

// The "TYPE" item, whose byte selects the type group of the items after it.
constexpr uint8_t kCodeType = 0x01;

enum class ItemAccess : uint8_t { ReadWrite, ReadOnly, WriteOnly };

struct ItemRow {
    const char *key;
    uint8_t code;
    ValueKind kind;
    uint8_t groups;
    ItemAccess access;
};

// The whole table, in decoding order, for code that lists it (such as the
// generator of the Wireshark dissector's tables).
struct ItemRows {
    const ItemRow *first;
    size_t count;
    const ItemRow *begin() const { return first; }
    const ItemRow *end() const { return first + count; }
};
ItemRows AllItemRows();

// The group of a device type code; codes outside 10T and CAN are serial.
TypeGroup TypeGroupOf(uint8_t type);

// The first row, in decoding order, that a reply item of this code is read
// as for a device of this type; null when none (write-only rows included).
const ItemRow *FindReplyRow(uint8_t code, uint8_t type);

// The row a staged key is written with for a device of this type; null when
// the key has none there or is read only.
const ItemRow *FindWriteRow(const CString &key, uint8_t type);

}  // namespace vd

#endif
