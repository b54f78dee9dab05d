#include "fleet/search_exchange.h"

#include <algorithm>

#include "base/text.h"
#include "devices/family_a/decode_items.h"
#include "devices/family_a/family_a_handler.h"
#include "devices/family_a/search_reply.h"
#include "vandrel.h"

namespace vd {

namespace {

// A device answers within milliseconds: an answer that has not come by the
// next request was lost, or its request was (four requests in a second: at
// 10% loss each way a device is missed about once in 800 searches). Waiting
// for one device, whose answer ends the search, the repeats cost nothing
// once it is heard: every 100 ms gives six tries in 600 ms (three at 250 ms
// missed the device in about one run of 150 at 10% loss each way).
constexpr std::chrono::milliseconds kRepeat{250};
constexpr std::chrono::milliseconds kRepeatForOne{100};

}  // namespace

void SearchExchange::Start(TimePoint now) {
    m_end = now + m_job.deadline;
    if (!m_socket.Open(net::SocketType::Datagram, m_job.address.c_str(), kItemPort)) return End(VD_FAIL);
    Send(now);
}

void SearchExchange::Send(TimePoint now) {
    const Packet request = RequestPacket(kCodeSearchRequest);
    // The repeats are the search's way, not the wire's faults: they are not
    // counted as sent again, nor the alike answers they bring as copies.
    m_socket.SendData(request.data(), int(request.size()));
    ++m_requests;
    m_next = std::min(now + (m_job.until.empty() ? kRepeat : kRepeatForOne), m_end);
}

void SearchExchange::OnDatagram(size_t, const uint8_t *bytes, int length, const char *from) {
    if (IsDone() || length <= 0) return;
    DeviceRecord record;
    if (!DecodeFixedSearchReply(bytes, size_t(length), record)) {
        if (!HasItemFrame(bytes, size_t(length))) return;
        record.ip = from;
        DecodeItems(bytes, size_t(length), record);
    }
    const bool awaited = IsAwaited(record);
    m_finds->Add(std::move(record));
    if (awaited) End(VD_OK);
}

bool SearchExchange::IsAwaited(const DeviceRecord &record) const {
    if (m_job.until.empty()) return false;
    return m_job.until.find(':') == std::string::npos ? record.ip == m_job.until
                                                      : UpperCase(record.mac) == UpperCase(m_job.until);
}

void SearchExchange::OnTimer(TimePoint now) {
    if (now >= m_end) return End(m_finds->Any() ? VD_OK : VD_FAIL);
    Send(now);
}

void SearchExchange::End(int32_t result) {
    m_pairs = {{"REQUESTS", std::to_string(m_requests)}, {"LEFT_OUT", std::to_string(m_finds->LeftOut())}};
    Finish(result);
}

}  // namespace vd
