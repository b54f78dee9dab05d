#include "core/device_exchange.h"

#include "base/device_text.h"

namespace vd {

bool DeviceExchange::PasswordMatches(const std::string &held, const std::string &password) {
    return held.substr(0, kPasswordRoom - 1) == password;
}

}  // namespace vd
