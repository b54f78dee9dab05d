// Files the tool reads (plans, backups, firmware images): a path that names
// no readable regular file, or an empty one, is a usage error with its own
// message rather than an empty read.
#ifndef VANDREL_CLI_INPUT_FILE_H
#define VANDREL_CLI_INPUT_FILE_H

#include <string>

namespace vdcli {

// The size of the regular file at path; false with a message naming what
// path is instead ("a directory", "empty", or that it cannot be read). what
// names the file's role ("plan", "image file").
bool CheckInputFile(const std::string &path, const std::string &what, unsigned long long &size, std::string &error);

}  // namespace vdcli

#endif
