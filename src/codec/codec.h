// What a device stores, as data and pure functions: the type codes of both
// families, the family A item table with its value kinds and key rules, the
// family B field table with its value codec and key rules, the limits of a
// firmware download, the record of a device's key/value pairs they work on,
// and how a device's text is spelled on a terminal. No sockets and no global
// objects: the library is built on this, and the vandrel tool and the
// generator of the Wireshark dissector's tables use the same tables through
// this header.
#ifndef VANDREL_CODEC_CODEC_H
#define VANDREL_CODEC_CODEC_H

#include "codec/block_key_rules.h"
#include "codec/device_record.h"
#include "codec/family_a_types.h"
#include "codec/family_b_models.h"
#include "codec/field_table.h"
#include "codec/firmware_images.h"
#include "codec/item_key_rules.h"
#include "codec/item_table.h"
#include "codec/terminal_text.h"
#include "codec/value_codec.h"
#include "codec/value_kind.h"

#endif
