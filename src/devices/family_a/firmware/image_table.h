// The image files of one firmware download: their paths, the names the
// device is told, their sizes and the addresses they are loaded at.
#ifndef VANDREL_DEVICES_FAMILY_A_FIRMWARE_IMAGE_TABLE_H
#define VANDREL_DEVICES_FAMILY_A_FIRMWARE_IMAGE_TABLE_H

#include <cstdint>
#include <string>

#include "codec/firmware_images.h"

namespace vd {

struct ImageTable {
    std::string paths[kMaxImages];
    std::string names[kMaxImages];
    uint32_t count = 0;
    uint32_t addresses[kMaxImages] = {};
    uint32_t sizes[kMaxImages] = {};
};

}  // namespace vd

#endif
