// Times of the fleet database as the tool shows and takes them: UTC in
// ISO 8601, and how long ago.
#ifndef VANDREL_CLI_TIME_TEXT_H
#define VANDREL_CLI_TIME_TEXT_H

#include <string>

namespace vdcli {

// "2026-12-07T07:30:05Z" for milliseconds since 1970.
std::string IsoTime(long long ms);
// "now", "42 s", "5 min", "3 h", "12 d": how long before now ms was.
std::string Ago(long long ms, long long now);
// A time in the past as --since takes it: "30m", "2h", "7d" (ago), or a UTC
// date "2026-12-07" with a time "T07:30[:05][Z]" or not. False when it is
// neither.
bool ParseSince(const std::string &text, long long now, long long &ms);

}  // namespace vdcli

#endif
