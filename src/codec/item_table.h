// The family A item table: which key each item code stands for, with what
// value kind, in which type groups (codec/family_a_types.h).
#ifndef VANDREL_CODEC_ITEM_TABLE_H
#define VANDREL_CODEC_ITEM_TABLE_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "codec/family_a_types.h"
#include "base/text.h"
#include "codec/value_kind.h"

namespace vd {

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

// The first row, in decoding order, that a reply item of this code is read
// as for a device of this type; null when none (write-only rows included).
const ItemRow *FindReplyRow(uint8_t code, uint8_t type);

// The row a staged key is written with for a device of this type; null when
// the key has none there or is read only.
const ItemRow *FindWriteRow(const std::string &key, uint8_t type);

}  // namespace vd

#endif
