// Turns a reply datagram of items into key/value pairs of a record.
#ifndef VANDREL_DEVICES_FAMILY_A_DECODE_ITEMS_H
#define VANDREL_DEVICES_FAMILY_A_DECODE_ITEMS_H

#include <cstddef>
#include <cstdint>

#include "codec/codec.h"

namespace vd {

// Appends one pair per item the table knows for the type group of the
// record's code1 as it stands at that item, in datagram order; a "TYPE" item
// also sets code1 (and so how later items read), a "MAC" item sets mac.
// Unknown codes, and items whose value would run past the datagram, are
// skipped; an item that does not fit ends the decoding.
void DecodeItems(const uint8_t *data, size_t len, DeviceRecord &record);

}  // namespace vd

#endif
