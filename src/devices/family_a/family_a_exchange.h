// FamilyAExchange: a read of one family A device by IP, or a write to it
// confirmed by reading it back, as one exchange (core/device_exchange.h).
// A read asks again every 300 ms until the answer or the deadline. A write
// reads first and checks the password; then sends the staged pairs, reads
// the device back 100 ms later (twice at most, 150 ms each, the second at
// the address the write gives it, if any) and sends again what did not
// take, four times at most; it ends 500 ms after its last write, the pause
// the device gets to settle.
#ifndef VANDREL_DEVICES_FAMILY_A_FAMILY_A_EXCHANGE_H
#define VANDREL_DEVICES_FAMILY_A_FAMILY_A_EXCHANGE_H

#include "core/device_exchange.h"
#include "devices/family_a/info_answer.h"

namespace vd {

class FamilyAExchange : public DeviceExchange {
public:
    FamilyAExchange(DeviceJob job, DeviceLink &link) : DeviceExchange(link), m_job(std::move(job)) {}

    void Start(TimePoint now) override;
    void OnDatagram(size_t socket, const uint8_t *bytes, int length, const char *from) override;
    void OnTimer(TimePoint now) override;

private:
    enum class Phase { Reading, Written, ReadingBack, Pausing };

    // Sends the information request to host, and takes only its answer.
    bool Ask(const std::string &host);
    void OnReadTimer(TimePoint now);
    // The read is in: hands it out, or checks the password and writes.
    void AfterRead(TimePoint now);
    void SendWrite(TimePoint now);
    void OnReadBackTimer(TimePoint now);
    // Ends result once the pause after the last write is over.
    void PauseThenFinish(int32_t result);
    void HandOut();

    DeviceJob m_job;
    Phase m_phase = Phase::Reading;
    DeviceRecord m_info;
    DeviceRecord m_pending;
    InfoAnswer m_answer;
    // The address the last request went to, whose answers alone count.
    std::string m_asked;
    std::string m_movedTo;
    TimePoint m_end;
    TimePoint m_lastSent;
    int m_writes = 0;
    int m_readBacks = 0;
    int32_t m_outcome = 0;
};

}  // namespace vd

#endif
