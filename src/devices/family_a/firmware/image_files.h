// The image files of a download, as the file system has them: their sizes
// before anything is sent, and, for a download that holds its images while
// it runs, their bytes.
#ifndef VANDREL_DEVICES_FAMILY_A_FIRMWARE_IMAGE_FILES_H
#define VANDREL_DEVICES_FAMILY_A_FIRMWARE_IMAGE_FILES_H

#include <cstdint>
#include <string>
#include <vector>

#include "devices/family_a/firmware/image_table.h"

namespace vd {

using ImageBytes = std::vector<uint8_t>;

// The size of each file at paths; false when one is not a regular file.
bool ImageSizes(const std::vector<std::string> &paths, std::vector<uint64_t> &sizes);

// Lays out and reads the images at paths whole; false when one cannot be
// read, or they do not fit the device together.
bool ReadImages(const std::vector<std::string> &paths, ImageTable &table, std::vector<ImageBytes> &bytes);

}  // namespace vd

#endif
