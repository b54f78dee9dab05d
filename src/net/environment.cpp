// The process environment, as the C library keeps it on every platform.
#include <cstdlib>

#include "net/platform.h"

namespace vd::net {

bool ReadEnvironment(const char *name, std::string &value) {
    const char *text = std::getenv(name);
    if (!text) return false;
    value = text;
    return true;
}

}  // namespace vd::net
