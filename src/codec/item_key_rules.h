// The three family A key rules on top of the generic key/value handling:
// hidden keys, values rewritten on the way out, keys taken over on the way in.
//   "COM1_ENABLEST" is hidden; its bit 0 says whether "C1_D1" is in use and
//   bit 1 whether "C1_D2" is, so an unused destination reads "invalid" and
//   staging "invalid" clears the bit instead of sending the destination.
//   "IP_MODE" reads and writes as the inverse of the device's byte.
#ifndef VANDREL_CODEC_ITEM_KEY_RULES_H
#define VANDREL_CODEC_ITEM_KEY_RULES_H

#include <string>

#include "codec/device_record.h"

namespace vd {

// Whether key contains "ENABLEST".
bool IsHiddenItemKey(const std::string &key);

// true with the text to hand out in out, false to hand out value unchanged. info
// holds the pairs of the last read.
bool FormatItemValue(const DeviceRecord &info, const std::string &key, const std::string &value,
                     std::string &out);

// true when the pair was dealt with here (staged converted, or dropped), false when
// the caller stages key and value as given. Stages into staged.
bool InterceptItemModify(const DeviceRecord &info, DeviceRecord &staged, const std::string &key,
                         const std::string &value);

}  // namespace vd

#endif
