#include "devices/family_a/firmware/image_files.h"

#include <sys/stat.h>

#include <cstdio>
#include <memory>

#include "devices/family_a/firmware/firmware_packets.h"
#include "net/platform.h"

namespace vd {

namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE *)>;

// Reads the file's first size bytes; false when it has fewer.
bool ReadWhole(const std::string &path, uint32_t size, ImageBytes &out) {
    File file(net::OpenToRead(path), std::fclose);
    if (!file) return false;
    out.resize(size);
    return size == 0 || std::fread(out.data(), 1, size, file.get()) == size;
}

}  // namespace

bool ImageSizes(const std::vector<std::string> &paths, std::vector<uint64_t> &sizes) {
    sizes.clear();
    for (const std::string &path : paths) {
        // Not a pipe or a device, whose reading could wait for ever.
        struct stat st;
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
        sizes.push_back(uint64_t(st.st_size));
    }
    return true;
}

bool ReadImages(const std::vector<std::string> &paths, ImageTable &table, std::vector<ImageBytes> &bytes) {
    std::vector<uint64_t> sizes;
    if (!ImageSizes(paths, sizes) || !ImagesRefusal(sizes).empty()) return false;
    table = LayOutImages(paths, sizes);
    bytes.assign(table.count, {});
    for (uint32_t i = 0; i < table.count; ++i)
        if (!ReadWhole(table.paths[i], table.sizes[i], bytes[i])) return false;
    return true;
}

}  // namespace vd
