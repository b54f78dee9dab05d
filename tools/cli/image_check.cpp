#include "image_check.h"

#include "codec/codec.h"
#include "input_file.h"
#include "status.h"

namespace vdcli {

bool CheckImages(const std::vector<std::string> &files, const Printer &out, int &status, unsigned long long &bytes) {
    std::string error = vd::ImageCountRefusal(files.size());
    std::vector<uint64_t> sizes;
    for (auto f = files.begin(); error.empty() && f != files.end(); ++f) {
        unsigned long long size = 0;
        // '*' joins the paths of one download.
        if (f->find('*') != std::string::npos) error = "an image file's path cannot hold '*': '" + *f + "'";
        else if (CheckInputFile(*f, "image file", size, error)) sizes.push_back(size);
        bytes += size;
    }
    if (error.empty()) error = vd::ImagesRefusal(sizes);
    if (error.empty()) return true;
    status = out.Fail(error, 0, kExitUsage);
    return false;
}

}  // namespace vdcli
