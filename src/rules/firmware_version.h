// A firmware version as devices tell it: "1.06" in a search answer, "V1.06"
// in a read. Rollouts compare versions by it, so that a device already at a
// later version than the images' is not sent older ones by mistake.
#ifndef VANDREL_RULES_FIRMWARE_VERSION_H
#define VANDREL_RULES_FIRMWARE_VERSION_H

#include <string>

namespace vd {

// The version in hundredths (106), or -1 for any text other than 1 or 2
// decimal digits, a dot and 2 more, after an optional 'V' or 'v'.
int FirmwareVersion(const std::string &text);

}  // namespace vd

#endif
