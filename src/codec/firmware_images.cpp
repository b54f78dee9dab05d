#include "codec/firmware_images.h"

namespace vd {

uint64_t RoundToChunks(uint64_t size) { return (size + kChunkData - 1) / kChunkData * kChunkData; }

std::string ImageCountRefusal(size_t count) {
    if (count >= 1 && count <= kMaxImages) return "";
    return "a download takes 1 to " + std::to_string(kMaxImages) + " images, not " + std::to_string(count);
}

std::string ImagesRefusal(const std::vector<uint64_t> &sizes) {
    std::string why = ImageCountRefusal(sizes.size());
    if (!why.empty()) return why;
    // Sizes near 2^64 stop the total at its largest rather than wrap it.
    constexpr uint64_t kMost = UINT64_MAX;
    uint64_t total = 0;
    for (uint64_t size : sizes) {
        const uint64_t taken = size > kMost - kChunkData ? kMost : RoundToChunks(size);
        total = total > kMost - taken ? kMost : total + taken;
    }
    if (total <= kMaxImageTotal) return "";
    return "the images take " + std::to_string(total) + " bytes in " + std::to_string(kChunkData) +
           "-byte blocks; the device holds " + std::to_string(kMaxImageBytes);
}

}  // namespace vd
