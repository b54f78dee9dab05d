#include "devices/family_a/restart_exchange.h"

#include <algorithm>

#include "devices/family_a/datagram_command.h"
#include "devices/family_a/decode_items.h"
#include "devices/family_a/family_a_handler.h"
#include "devices/family_a/search_reply.h"
#include "vandrel.h"

namespace vd {

namespace {

using std::chrono::milliseconds;

// A device is taken to have gone down when six questions in a row, 100 ms
// apart, go unanswered: at 10% loss each way two would take a device that
// never heard its restart for one gone down (and back, on its old version)
// one time in 28, six one time in 21,000; a device that restarts takes
// longer than their 1.1 s.
constexpr milliseconds kFirstProbe{500};
constexpr milliseconds kDownProbe{100};
constexpr int kSilentProbesWhenDown = 6;
constexpr int kRestartTries = 4;
constexpr milliseconds kBackProbe{500};

}  // namespace

void RestartExchange::Start(TimePoint now) {
    m_end = now + m_job.deadline;
    m_link.ExpectFrom(*this, m_job.address);
    if (!SendRestart(now)) Finish(VD_FAIL);
}

bool RestartExchange::SendRestart(TimePoint now) {
    const Packet packet = BuildDatagramCommand(m_job.type, "RESETDEV", "1");
    if (m_restarts++ > 0) ++m_counts.resent;
    m_heard = false;
    m_probes = 0;
    m_next = std::min(now + kFirstProbe, m_end);
    return m_link.SendTo(m_job.address, uint16_t(kItemPort), packet.data(), packet.size());
}

void RestartExchange::Probe() {
    const Packet search = RequestPacket(kCodeSearchRequest);
    m_link.SendTo(m_job.address, uint16_t(kItemPort), search.data(), search.size());
}

void RestartExchange::OnDatagram(size_t, const uint8_t *bytes, int length, const char *from) {
    if (m_job.address != from) return;
    DeviceRecord record;
    if (!DecodeFixedSearchReply(bytes, size_t(length), record)) {
        if (!HasItemFrame(bytes, size_t(length))) return;
        DecodeItems(bytes, size_t(length), record);
    }
    m_heard = true;
    if (m_phase != Phase::Away) return;
    m_answer = record;
    m_next = TimePoint::min();
}

void RestartExchange::OnTimer(TimePoint now) {
    if (m_phase == Phase::GoingDown) return OnGoingDownTimer(now);
    if (m_heard) {
        m_pairs = {{"IP", m_job.address}, {"MAC", m_answer.mac}, {"TYPE", std::to_string(m_answer.code1)}};
        if (!m_answer.version.empty()) m_pairs.emplace_back("VERSION", "V" + m_answer.version);
        return Finish(VD_OK);
    }
    if (now >= m_end) return Finish(VD_FAIL);
    Probe();
    m_next = std::min(now + kBackProbe, m_end);
}

void RestartExchange::OnGoingDownTimer(TimePoint now) {
    if (now >= m_end) return Finish(VD_FAIL);
    if (m_heard) {
        // Still up: the command was lost, or not taken.
        if (m_restarts >= kRestartTries) return Finish(VD_FAIL);
        if (!SendRestart(now)) Finish(VD_FAIL);
        return;
    }
    // Every question since the command went unanswered.
    if (m_probes >= kSilentProbesWhenDown) m_phase = Phase::Away;
    Probe();
    ++m_probes;
    m_next = std::min(now + (m_phase == Phase::Away ? kBackProbe : kDownProbe), m_end);
}

}  // namespace vd
