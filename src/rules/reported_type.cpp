#include "rules/reported_type.h"

namespace vd {

std::string ReportedTypeRefusal(int given, const std::string &reported) {
    if (reported.empty() || reported == std::to_string(given)) return "";
    return "reports type " + reported + " in its read, not type " + std::to_string(given) +
           " as given: the device's own type is the one to use";
}

}  // namespace vd
