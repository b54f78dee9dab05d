#include "rollout_rules.h"

#include <cstdio>

#include "args.h"
#include "vandrel_rules.h"

namespace vdcli {

bool ParseVersion(const std::string &text, int &hundredths) {
    // A device's text may hold a NUL: the version ends at none.
    const int32_t v = text.find('\0') == std::string::npos ? VR_FirmwareVersion(text.c_str()) : -1;
    if (v < 0) return false;
    hundredths = v;
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

std::string RolloutLockFile(const std::string &dbPath) { return dbPath + ".rollout-lock"; }

}  // namespace vdcli
