// The rules of a firmware rollout that need no device: versions as a search
// reports them, the waves a rollout's devices fall in, and the failures it
// stands before it stops.
#ifndef VANDREL_CLI_ROLLOUT_RULES_H
#define VANDREL_CLI_ROLLOUT_RULES_H

#include <string>

namespace vdcli {

// "1.06" (as a search reports it) or "V1.06" (as a read hands it out) in
// hundredths, 106; false for any other text.
bool ParseVersion(const std::string &text, int &hundredths);
// 106 as "1.06".
std::string VersionText(int hundredths);

// Waves grow: the canary (the first canary devices), then twice as many,
// then twice that, up to kMaxWave devices at once.
constexpr int kMaxWave = 256;
// The wave (0, the canary, first) of the device at position (from 0).
int WaveOf(int position, int canary);

// The failures a rollout stands: a count, or a percentage of the devices
// tried so far ("N%"). It stops once they are passed.
struct FailureLimit {
    int amount = 0;
    bool percent = false;
};
bool ParseFailureLimit(const std::string &text, FailureLimit &limit);
bool Passed(const FailureLimit &limit, int failures, int tried);

// The file beside a fleet database whose lock (run_lock.h) the process of
// its rollout holds while it runs: one rollout at a time.
std::string RolloutLockFile(const std::string &dbPath);

}  // namespace vdcli

#endif
