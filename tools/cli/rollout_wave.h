// One wave of a firmware rollout: its devices' downloads at once through the
// fleet interface (vandrel_fleet.h), then each device's restart as its
// download ends, and its version once it is back. Every step is recorded in
// the fleet database before it is taken, so a rollout killed at any moment
// resumes from it: a device recorded "downloading" may have been cut short
// and is downloaded again, one "restarting" is restarted and its version
// read, and no other device gets a download again.
#ifndef VANDREL_CLI_ROLLOUT_WAVE_H
#define VANDREL_CLI_ROLLOUT_WAVE_H

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "fleet.h"
#include "fleet_db.h"
#include "output.h"
#include "vandrel_fleet.h"

namespace vdcli {

struct Rollout {
    vdfleet::FleetDb &db;
    Fleet &fleet;  // the audit trail
    vdfleet::RolloutPlan plan;
    std::vector<vdfleet::RolloutDevice> devices;
    int expected = 0;  // the version the images carry, in hundredths
    bool allowDowngrade = false;
    int restartWaitMs = 60000;
};

class WaveRun {
public:
    WaveRun(Rollout &rollout, const Printer &out) : m_rollout(rollout), m_out(out) {}
    // Runs the devices of the wave not yet done; false when the fleet
    // interface or the database failed (error tells which).
    bool Run(int wave, std::string &error);

private:
    // Reads the version of a device about to be downloaded and decides:
    // already there, offline, a refused downgrade, or to be downloaded.
    bool Prepare(vdfleet::RolloutDevice &d, std::string &error);
    bool Download(vdfleet::RolloutDevice &d, std::string &error);
    bool Restart(vdfleet::RolloutDevice &d, std::string &error);
    // The device's operation ended with result.
    bool Ended(VF_Op op, int32_t result, std::string &error);
    // Records the device's new state (and says what it became).
    bool Set(vdfleet::RolloutDevice &d, const std::string &state, std::string &error);
    // Told on the fleet's thread as an operation ends.
    static void VF_CALL Told(void *user, VF_Op op, int32_t result);
    // Waits for the next ended operation.
    VF_Op NextEnded();

    Rollout &m_rollout;
    const Printer &m_out;
    VF_Fleet *m_vf = nullptr;
    std::map<VF_Op, vdfleet::RolloutDevice *> m_running;
    std::mutex m_lock;
    std::condition_variable m_told;
    std::deque<VF_Op> m_ended;
};

}  // namespace vdcli

#endif
