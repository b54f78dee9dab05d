#include "time_text.h"

#include <cstdio>
#include <ctime>

namespace vdcli {

namespace {

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

}  // namespace

std::string IsoTime(long long ms) {
    const std::time_t seconds = std::time_t(ms / 1000);
    std::tm utc{};
#ifdef _WIN32
    utc = *std::gmtime(&seconds);  // the C runtime's buffer is the thread's own
#else
    gmtime_r(&seconds, &utc);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string Ago(long long ms, long long now) {
    const long long s = (now - ms) / 1000;
    if (s < 1) return "now";
    if (s < 120) return std::to_string(s) + " s";
    if (s < 2 * 3600) return std::to_string(s / 60) + " min";
    if (s < 2 * 86400) return std::to_string(s / 3600) + " h";
    return std::to_string(s / 86400) + " d";
}

bool ParseSince(const std::string &text, long long now, long long &ms) {
    long long n = 0;
    char unit = 0, extra = 0;
    if (std::sscanf(text.c_str(), "%lld%c%c", &n, &unit, &extra) == 2 && n >= 0) {
        const long long seconds = unit == 's' ? 1 : unit == 'm' ? 60 : unit == 'h' ? 3600 : unit == 'd' ? 86400 : 0;
        if (seconds == 0) return false;
        ms = now - n * seconds * 1000;
        return true;
    }
    unsigned y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    int used = 0;
    const int got = std::sscanf(text.c_str(), "%4u-%2u-%2u%n", &y, &mo, &d, &used);
    if (got != 3 || mo < 1 || mo > 12 || d < 1 || d > 31) return false;
    std::string rest = text.substr(size_t(used));
    if (!rest.empty() && rest.back() == 'Z') rest.pop_back();
    int tail = 0;
    if (!rest.empty() && std::sscanf(rest.c_str(), "T%2u:%2u%n:%2u%n", &h, &mi, &tail, &s, &tail) < 2) return false;
    if (size_t(tail) != rest.size() || h > 23 || mi > 59 || s > 59) return false;
    ms = ((DaysFromCivil(y, mo, d) * 24 + h) * 60 + mi) * 60000LL + s * 1000LL;
    return true;
}

}  // namespace vdcli
