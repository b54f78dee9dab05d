// Files opened close-on-exec, so a host's fork and exec leaks none.
#include "net/platform.h"

namespace vd::net {

std::FILE *OpenToRead(const std::string &path) { return std::fopen(path.c_str(), "rbe"); }

}  // namespace vd::net
