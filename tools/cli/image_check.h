// The image files of a firmware download, checked as the device will take
// them before anything is sent: one to five regular files that fit its
// memory together, and no '*' in a path, which joins the paths of one
// download.
#ifndef VANDREL_CLI_IMAGE_CHECK_H
#define VANDREL_CLI_IMAGE_CHECK_H

#include <string>
#include <vector>

#include "output.h"

namespace vdcli {

// False, reported with the exit status in status, when the files cannot
// go; bytes gets their total size.
bool CheckImages(const std::vector<std::string> &files, const Printer &out, int &status, unsigned long long &bytes);

}  // namespace vdcli

#endif
