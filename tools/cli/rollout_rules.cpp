#include "rollout_rules.h"

#include <cstdio>

#include "args.h"

namespace vdcli {

bool ParseVersion(const std::string &text, int &hundredths) {
    const std::string v = !text.empty() && (text[0] == 'V' || text[0] == 'v') ? text.substr(1) : text;
    const size_t dot = v.find('.');
    if (dot == std::string::npos || v.size() != dot + 3) return false;
    long long major = 0, minor = 0;
    if (!ParseNumber(v.substr(0, dot), 0, 99, major) || !ParseNumber(v.substr(dot + 1), 0, 99, minor)) return false;
    hundredths = int(major * 100 + minor);
    return true;
}

std::string VersionText(int hundredths) {
    char text[32];
    std::snprintf(text, sizeof text, "%d.%02d", hundredths / 100, hundredths % 100);
    return text;
}

int WaveOf(int position, int canary) {
    int wave = 0, size = canary < 1 ? 1 : canary;
    for (int start = 0; position >= start + size; ++wave) {
        start += size;
        size = size * 2 > kMaxWave ? kMaxWave : size * 2;
    }
    return wave;
}

bool ParseFailureLimit(const std::string &text, FailureLimit &limit) {
    limit.percent = !text.empty() && text.back() == '%';
    long long amount = 0;
    if (!ParseNumber(limit.percent ? text.substr(0, text.size() - 1) : text, 0, limit.percent ? 100 : 1000000,
                     amount))
        return false;
    limit.amount = int(amount);
    return true;
}

bool Passed(const FailureLimit &limit, int failures, int tried) {
    return limit.percent ? failures * 100 > limit.amount * tried : failures > limit.amount;
}

}  // namespace vdcli
