// The settings whose key holds "_D1" or "_D2" travel to and from the device as
// hexadecimal text ("0x1A") but reach the host as decimal text ("26").
#ifndef VANDREL_AT_SESSION_AT_HEX_VALUE_H
#define VANDREL_AT_SESSION_AT_HEX_VALUE_H

#include <string>

#include "base/text.h"

namespace vd {

bool IsHexKey(const char *key);

// Device to host: the number written in hex from the third character on, as
// decimal text. False, and nothing to rewrite, for "invalid", for a text
// shorter than three characters and for one without hex digits there.
bool HexValueToDecimal(const char *value, std::string &decimal);

// Host to device: "0x%02X" of the decimal number. False, and the value goes
// out as it is, when it already begins with "0x" or is "invalid".
bool DecimalValueToHex(const char *value, std::string &hex);

}  // namespace vd

#endif
