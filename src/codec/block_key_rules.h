// The family B rules that tie keys together.
//   Each port's "COM%d_ENABLEST" byte says, in bit 0 and bit 1, whether the
//   port's "C%d_D1" and "C%d_D2" settings are in force: a setting whose bit
//   is 0 reads "invalid", and writing "invalid" clears the bit.
//   Bit n - 1 of the device block's byte 59 ("ENIPFILTER%d") enables the
//   filter range "IPF%d": writing a range sets it, "invalid" clears it.
//   The enable keys themselves are never handed out.
#ifndef VANDREL_CODEC_BLOCK_KEY_RULES_H
#define VANDREL_CODEC_BLOCK_KEY_RULES_H

#include <string>

#include "codec/device_record.h"
#include "codec/field_table.h"

namespace vd {

// Applies the rules for storing text into row, in blocks (a block never
// received is left alone). true when row's own bytes must not be written.
bool BlockWriteHook(const FieldTable &table, BlockSlots &blocks, const ConfigField &row, const std::string &text);

// Whether key contains "ENABLEST" or "ENIPFILTER".
bool IsHiddenBlockKey(const std::string &key);

// true with "invalid" in out when key is a destination whose enable bit in
// info is 0; false to hand out value unchanged.
bool FormatBlockValue(const DeviceRecord &info, const std::string &key, std::string &out);

}  // namespace vd

#endif
