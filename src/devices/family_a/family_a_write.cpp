// FamilyAHandler's write, confirmed: the device answers a write with nothing,
// so it is read back and every staged pair compared with what it holds.
#include <string>

#include "base/sleep.h"
#include "codec/codec.h"
#include "core/write_confirm.h"
#include "devices/family_a/family_a_handler.h"
#include "devices/family_a/write_packet.h"

namespace vd {

namespace {

using Clock = SteadyClock;

// The read-back is over within the pause after the write (500 ms).
constexpr int kReadBackTries = 2;
constexpr int kReadBackWaitMs = 150;

}  // namespace

bool FamilyAHandler::ReadBack(const std::string &movedTo) {
    Sleep(kReadBackAfterMs);
    m_requestSocket.DiscardQueued();
    ClearInfo();
    m_answer.Clear();
    m_replyMode = ReplyMode::Info;
    uint8_t buffer[2048];
    for (int attempt = 0; attempt < kReadBackTries && m_info.keys.empty(); ++attempt) {
        // A device given a new address may answer from there at once.
        const std::string &host = attempt % 2 && !movedTo.empty() ? movedTo : m_request.targetIp;
        m_requestSocket.Open(m_request.SocketType(), host.c_str(), kItemPort);
        if (!SendRequest(RequestPacket(kCodeInfoRequest))) break;
        const Clock::time_point until = Clock::now() + std::chrono::milliseconds(kReadBackWaitMs);
        char from[52];
        while (Clock::now() < until) {
            from[0] = '\0';
            // Once the answer has begun, only what is already queued is part of it.
            const bool answered = !m_info.keys.empty();
            const int got = m_requestSocket.ReceiveTimed(buffer, int(sizeof buffer), from, answered ? 0 : 10);
            if (got > 0 && unsigned(got) <= sizeof buffer)
                OnDatagram(buffer, got, from);
            else if (answered)
                break;
        }
    }
    m_replyMode = ReplyMode::Write;
    m_requestSocket.Open(m_request.SocketType(), m_request.targetIp.c_str(), kItemPort);
    return !m_info.keys.empty();
}

WriteOutcome FamilyAHandler::WriteConfig(const RequestRecord &request) {
    m_request = request;
    WriteOutcome outcome;
    if (m_request.transport == 0) return outcome;
    OpenRequest(kItemPort);
    ClearInfo();
    m_replyMode = ReplyMode::Write;
    if (m_staged.keys.empty()) return outcome;
    m_staged.code1 = m_info.code1;
    DeviceRecord pending = m_staged;
    const int ip = m_staged.Find("IP");
    const std::string movedTo = ip >= 0 && m_staged.values[size_t(ip)] != m_request.targetIp ? m_staged.values[size_t(ip)] : "";
    for (int attempt = 0; attempt < kWriteTries; ++attempt) {
        const Packet packet = BuildWritePacket(pending);
        if (packet.empty()) return outcome;
        const Clock::time_point sent = Clock::now();
        if (!SendRequest(packet)) return outcome;
        outcome.lastSent = sent;
        if (ReadBack(movedTo)) pending = NotHeld(pending, m_info);
        if (pending.keys.empty()) {
            ClearInfo();
            return outcome;
        }
    }
    outcome.confirmed = false;
    LeaveNotTaken(pending);
    return outcome;
}

}  // namespace vd
