// What a family A device takes in one firmware download: at most five
// images, each filling whole 512-byte chunks, which together take at most
// 0x1BFFF bytes; the total being a multiple of 512, that is 0x1BE00. The
// library refuses a download past these before it sends anything; the tools
// check the same rule first, to say why.
#ifndef VANDREL_CODEC_FIRMWARE_IMAGES_H
#define VANDREL_CODEC_FIRMWARE_IMAGES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vd {

// Why a download of this many images cannot go; "" when it can.
std::string ImageCountRefusal(size_t count);

// Why images of these sizes (in bytes) cannot go in one download; "" when
// they fit.
std::string ImagesRefusal(const std::vector<uint64_t> &sizes);

// The bytes an image of this size takes: whole chunks.
uint64_t RoundToChunks(uint64_t size);

// Images in one download.
constexpr size_t kMaxImages = 5;
// Image bytes in one chunk.
constexpr size_t kChunkData = 512;
// What the images' whole chunks may take together.
constexpr uint64_t kMaxImageTotal = 0x1BFFF;
// The most bytes one image, or all of a download's together, may have.
constexpr uint64_t kMaxImageBytes = kMaxImageTotal / kChunkData * kChunkData;

}  // namespace vd

#endif
