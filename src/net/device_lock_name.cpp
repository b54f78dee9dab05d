#include <cctype>

#include "net/platform.h"

namespace vd::net {

std::string DeviceLockName(char family, const std::string &address) {
    std::string name = {family, '-'};
    for (const char c : address)
        if (std::isxdigit(static_cast<unsigned char>(c)) || (c == '.' && family == 'A'))
            name += char(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

}  // namespace vd::net
