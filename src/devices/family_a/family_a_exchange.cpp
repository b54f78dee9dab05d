#include "devices/family_a/family_a_exchange.h"

#include "core/write_confirm.h"
#include "devices/family_a/decode_items.h"
#include "devices/family_a/family_a_handler.h"
#include "devices/family_a/write_packet.h"
#include "vandrel.h"

namespace vd {

namespace {

using std::chrono::milliseconds;

// As the handler's reads and read-backs pace them.
constexpr milliseconds kRepeat{300};
constexpr milliseconds kReadBackAfter{kReadBackAfterMs};
constexpr milliseconds kReadBackWait{150};
constexpr int kReadBackTries = 2;
constexpr milliseconds kPauseAfterWrite{kPauseAfterWriteMs};

}  // namespace

bool FamilyAExchange::Ask(const std::string &host) {
    m_info = DeviceRecord();
    m_answer.Clear();
    if (m_asked != host) m_link.ExpectFrom(*this, host);
    m_asked = host;
    const Packet request = RequestPacket(kCodeInfoRequest);
    return m_link.SendTo(host, uint16_t(kItemPort), request.data(), request.size());
}

void FamilyAExchange::Start(TimePoint now) {
    m_end = now + m_job.deadline;
    m_next = now + kRepeat;
    if (!Ask(m_job.address)) Finish(VD_FAIL);
}

void FamilyAExchange::OnDatagram(size_t, const uint8_t *bytes, int length, const char *from) {
    const size_t size = size_t(length);
    if (m_asked != from || !HasItemFrame(bytes, size)) return;
    // A copy of the answer may come after the answer moved the write on.
    if (m_answer.Holds(bytes, size)) {
        ++m_counts.duplicates;
        return;
    }
    if (m_phase != Phase::Reading && m_phase != Phase::ReadingBack) return;
    if (!m_answer.Take(bytes, size)) return;
    m_info.ip = from;
    DecodeItems(bytes, size, m_info);
    // The rest of an answer in several datagrams is queued with it: the
    // timer, called once they are read, takes the answer as it stands.
    if (!m_info.keys.empty()) m_next = TimePoint::min();
}

void FamilyAExchange::OnTimer(TimePoint now) {
    switch (m_phase) {
        case Phase::Reading:
            return OnReadTimer(now);
        case Phase::Written:
            m_readBacks = 0;
            m_phase = Phase::ReadingBack;
            m_next = now + kReadBackWait;
            if (!Ask(m_job.address)) PauseThenFinish(VD_FAIL);
            return;
        case Phase::ReadingBack:
            return OnReadBackTimer(now);
        case Phase::Pausing:
            return Finish(m_outcome);
    }
}

void FamilyAExchange::OnReadTimer(TimePoint now) {
    if (!m_info.keys.empty()) return AfterRead(now);
    if (now >= m_end) return Finish(m_job.pairs.empty() ? VD_FAIL : VD_NO_INFO);
    ++m_counts.resent;
    Ask(m_job.address);
    m_next = std::min(now + kRepeat, m_end);
}

void FamilyAExchange::AfterRead(TimePoint now) {
    if (m_job.pairs.empty()) {
        HandOut();
        return Finish(VD_OK);
    }
    const int pass = m_info.Find("PASS");
    if (!PasswordMatches(pass >= 0 ? m_info.values[size_t(pass)] : "", m_job.password))
        return Finish(VD_WRONG_PASSWORD);
    m_pending.code1 = m_info.code1;
    for (const auto &pair : m_job.pairs) {
        const int at = m_pending.Find(pair.first);
        if (at >= 0)
            m_pending.values[size_t(at)] = pair.second;
        else if (!InterceptItemModify(m_info, m_pending, pair.first, pair.second))
            m_pending.Append(pair.first, pair.second);
    }
    const int ip = m_pending.Find("IP");
    if (ip >= 0 && m_pending.values[size_t(ip)] != m_job.address) m_movedTo = m_pending.values[size_t(ip)];
    SendWrite(now);
}

void FamilyAExchange::SendWrite(TimePoint now) {
    const Packet packet = BuildWritePacket(m_pending);
    if (packet.empty()) return Finish(VD_OK);
    m_asked = m_job.address;
    if (!m_link.SendTo(m_job.address, uint16_t(kItemPort), packet.data(), packet.size()))
        return PauseThenFinish(VD_FAIL);
    m_lastSent = now;
    ++m_writes;
    m_phase = Phase::Written;
    m_next = now + kReadBackAfter;
}

void FamilyAExchange::OnReadBackTimer(TimePoint now) {
    if (m_info.keys.empty() && ++m_readBacks < kReadBackTries) {
        // A device given a new address may answer from there at once.
        ++m_counts.resent;
        Ask(m_movedTo.empty() ? m_job.address : m_movedTo);
        m_next = now + kReadBackWait;
        return;
    }
    if (!m_info.keys.empty()) m_pending = NotHeld(m_pending, m_info);
    if (m_pending.keys.empty()) return PauseThenFinish(VD_OK);
    if (m_writes < kWriteTries) {
        ++m_counts.resent;
        return SendWrite(now);
    }
    for (size_t i = 0; i < m_pending.keys.size(); ++i) m_pairs.emplace_back(m_pending.keys[i], m_pending.values[i]);
    PauseThenFinish(VD_FAIL);
}

void FamilyAExchange::PauseThenFinish(int32_t result) {
    m_outcome = result;
    m_phase = Phase::Pausing;
    m_next = m_lastSent + kPauseAfterWrite;
}

void FamilyAExchange::HandOut() {
    for (size_t i = 0; i < m_info.keys.size(); ++i) {
        const std::string &key = m_info.keys[i];
        if (key == "PASS" || IsHiddenItemKey(key)) continue;
        std::string out;
        if (!FormatItemValue(m_info, key, m_info.values[i], out)) out = m_info.values[i];
        m_pairs.emplace_back(key, out);
    }
}

}  // namespace vd
