// RestartExchange: the restart of one family A device (RESETDEV, not
// answered) as one exchange (core/device_exchange.h), which ends when the
// device is back. A device that takes the restart goes quiet: 500 ms after
// the command it is asked by a unicast search every 300 ms, and two
// questions without answer mean it is down; one that still answers did not
// get the command, which goes again (four times at most: a restart more is
// harmless, one lost leaves the device on its old firmware). Down, it is
// asked every 500 ms until it answers or the deadline passes. Its pairs are
// then what its answer tells: IP, MAC, TYPE and, from the fixed search
// reply, VERSION (as a read hands it out, "V1.06").
#ifndef VANDREL_DEVICES_FAMILY_A_RESTART_EXCHANGE_H
#define VANDREL_DEVICES_FAMILY_A_RESTART_EXCHANGE_H

#include "core/device_exchange.h"

namespace vd {

class RestartExchange : public DeviceExchange {
public:
    RestartExchange(DeviceJob job, DeviceLink &link) : DeviceExchange(link), m_job(std::move(job)) {}

    void Start(TimePoint now) override;
    void OnDatagram(size_t socket, const uint8_t *bytes, int length, const char *from) override;
    void OnTimer(TimePoint now) override;

private:
    enum class Phase { GoingDown, Away };

    bool SendRestart(TimePoint now);
    void Probe();
    void OnGoingDownTimer(TimePoint now);

    DeviceJob m_job;
    Phase m_phase = Phase::GoingDown;
    DeviceRecord m_answer;
    bool m_heard = false;
    int m_restarts = 0;
    int m_probes = 0;  // questions since the last command
    TimePoint m_end;
};

}  // namespace vd

#endif
