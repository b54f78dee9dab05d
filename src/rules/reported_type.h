// The type code a front end was given for a device, held against the one
// the device's own read reports: the device knows what it is, so a type
// code that it contradicts is refused rather than used to read its keys.
#ifndef VANDREL_RULES_REPORTED_TYPE_H
#define VANDREL_RULES_REPORTED_TYPE_H

#include <string>

namespace vd {

// "" when reported (the TYPE of a read, "" when the read showed none)
// agrees with given; else why, naming both.
std::string ReportedTypeRefusal(int given, const std::string &reported);

}  // namespace vd

#endif
