// The process environment, as the C library keeps it.
#include <cstdlib>

#include "net/platform.h"

namespace vd::net {

bool ReadEnvironment(const char *name, std::string &value) {
    const char *text = std::getenv(name);
    if (!text) return false;
    value = text;
    return true;
}

bool WriteEnvironment(const char *name, const std::string &value) { return setenv(name, value.c_str(), 1) == 0; }

}  // namespace vd::net
