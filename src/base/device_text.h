// Facts about settings text that the device families, the AT session and
// the exports share.
#ifndef VANDREL_BASE_DEVICE_TEXT_H
#define VANDREL_BASE_DEVICE_TEXT_H

#include <cstddef>

namespace vd {

// The value text of a setting that is switched off.
constexpr const char *kInvalidValue = "invalid";

// A device password as the library keeps it: at most 19 characters and the
// terminator.
constexpr size_t kPasswordRoom = 20;

}  // namespace vd

#endif
