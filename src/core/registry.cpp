#include "core/registry.h"

#include <algorithm>
#include <chrono>
#include <type_traits>

#include "base/sleep.h"

namespace vd {

namespace {
constexpr int kPauseAfterRequestMs = 200;
constexpr int kPollMs = 10;
constexpr int kPollsByIp = 200;
constexpr int kPollsByMac = 300;
constexpr int kPollsPassword = 200;
constexpr int kPauseAfterWriteMs = 500;
// A device answers a request within a few milliseconds (a read by IP takes
// about 2 ms more than its sleeps), well inside the pause after the request:
// a request still unanswered 30 polls (300 ms) after the pause was lost, and
// is sent again. That interval fits six tries into the 2 s wait of a read by
// IP; at 10% loss each way a try fails about one time in five, so six fail
// together about once in 20,000 reads. An answered request never waits for
// it.
constexpr int kRepeatPolls = 30;
constexpr int kReceiveBuffer = 2048;
// A round of ReceiveAll reads at most this many datagrams from a socket, more
// than the widest receive queue holds, so that a peer that sends faster than
// the library reads holds no call for ever.
constexpr int kMaxDatagramsPerRound = 65536;

RequestRecord Request(uint8_t transport, const char *ip, const char *mac, uint32_t port = 0,
                      const char *param = "") {
    return {transport, OrEmpty(ip), OrEmpty(mac), port, OrEmpty(param)};
}
}  // namespace

HandlerRegistry::~HandlerRegistry() { Clear(); }

void HandlerRegistry::Add(std::unique_ptr<FamilyHandler> handler) {
    if (handler) m_handlers.push_back(std::move(handler));
}

void HandlerRegistry::Clear() {
    for (auto &h : m_handlers) h.reset();
    m_handlers.clear();
}

bool HandlerRegistry::Accepts(FamilyHandler &h, uint8_t transport, uint8_t type) {
    return h.IsTransportSupported(transport) && h.IsTypeSupported(type);
}

template <typename Call>
bool HandlerRegistry::Offer(const RequestRecord &request, int type, Call call) {
    const size_t count = m_handlers.size();
    for (size_t i = 0; i < count; ++i) {
        FamilyHandler &h = *m_handlers[i];
        if (!h.IsTransportSupported(request.transport)) continue;
        if (type != kAnyType && !h.IsTypeSupported(type)) continue;
        if constexpr (std::is_void_v<decltype(call(h))>)
            call(h);
        else if (call(h))
            return true;
    }
    return false;
}

template <typename Done>
bool HandlerRegistry::WaitFor(int polls, Done done, const RequestRecord &request, int type) {
    Sleep(kPauseAfterRequestMs);
    for (int poll = 1; poll <= polls; ++poll) {
        ReceiveAll();
        for (auto &h : m_handlers)
            if (done(*h)) return true;
        Sleep(kPollMs);
        if (poll % kRepeatPolls != 0) continue;
        // The time the repeat spends pacing its datagrams counts against the
        // wait, so that a silent device gives up after the same time.
        int spentMs = 0;
        Offer(request, type, [&](FamilyHandler &h) { spentMs = std::max(spentMs, h.RepeatRequest()); });
        poll += spentMs / kPollMs;
    }
    return false;
}

bool HandlerRegistry::SearchAll() {
    const RequestRecord request = Request(1, "", "");
    Offer(request, kAnyType, [&](FamilyHandler &h) { h.SearchAll(request); });
    return true;
}

bool HandlerRegistry::Search(const char *addr) {
    const RequestRecord request = Request(1, addr, "");
    Offer(request, kAnyType, [&](FamilyHandler &h) { h.Search(request); });
    return true;
}

bool HandlerRegistry::GetSearchDev(DeviceRecord &out) {
    ReceiveAll();
    for (auto &h : m_handlers)
        if (h->TakeSearchResult(out)) return true;
    return false;
}

void HandlerRegistry::ReceiveAll() {
    uint8_t buffer[kReceiveBuffer];
    char from[52];
    for (auto &h : m_handlers) {
        net::ClientSocket &socket = h->ReplySocket();
        for (int n = 0; n < kMaxDatagramsPerRound; ++n) {
            from[0] = '\0';
            const int got = socket.ReceiveTimed(buffer, kReceiveBuffer, from, 0);
            if (got == 0 || unsigned(got) > unsigned(kReceiveBuffer)) break;
            h->OnDatagram(buffer, got, from);
        }
    }
}

bool HandlerRegistry::RequestInfo(const RequestRecord &request, uint8_t type, int polls) {
    for (auto &h : m_handlers) {
        h->ClearInfo();
        h->DiscardRequestInput();
    }
    Offer(request, type, [&](FamilyHandler &h) { h.RequestInfo(request); });
    return WaitFor(
        polls,
        [&](FamilyHandler &h) { return Accepts(h, request.transport, type) && h.IsInfoComplete(); },
        request, type);
}

bool HandlerRegistry::GetDevInfoByIP(const char *ip, uint8_t transport, uint8_t type) {
    return RequestInfo(Request(transport, ip, ""), type, kPollsByIp);
}

bool HandlerRegistry::GetDevInfoByMAC(const char *mac, uint8_t transport, uint8_t type) {
    return RequestInfo(Request(transport, "", mac), type, kPollsByMac);
}

bool HandlerRegistry::GetPasswordByMAC(const char *mac, std::string &out, uint8_t type) {
    out.clear();
    // Only block 0, which holds the password; the handler empties its own
    // information first.
    const RequestRecord request = Request(1, "", mac);
    Offer(request, type, [&](FamilyHandler &h) { h.RequestBlock(request, 0); });
    // Only a handler that took this request may answer it: another one's
    // earlier read, complete long ago, is not this device's.
    auto replied = [&](FamilyHandler &h) { return Accepts(h, request.transport, type) && h.IsBlockReplied(); };
    if (!WaitFor(kPollsPassword, replied, request, type)) return false;
    std::string key = "PASS";
    return TakeValue(key, out);
}

bool HandlerRegistry::TakeValue(std::string &key, std::string &out) {
    out.clear();
    for (auto &h : m_handlers)
        if (h->TakeValue(key, out)) return true;
    return false;
}

void HandlerRegistry::ResetModifyConfig() {
    for (auto &h : m_handlers) h->ClearStaged();
}

void HandlerRegistry::SetModifyConfig(const char *key, const char *value) {
    for (auto &h : m_handlers) h->Stage(OrEmpty(key), OrEmpty(value));
}

bool HandlerRegistry::Write(const RequestRecord &request, uint8_t type) {
    const SteadyClock::time_point start = SteadyClock::now();
    SteadyClock::time_point until = start;
    std::vector<const FamilyHandler *> failed;
    Offer(request, type, [&](FamilyHandler &h) {
        const WriteOutcome outcome = h.WriteConfig(request);
        until = std::max(until, outcome.lastSent);
        if (!outcome.confirmed) failed.push_back(&h);
    });
    // The device gets its pause after the write's last datagram; the time a
    // handler spent confirming after it is part of that pause.
    Sleep(MsUntil(until + std::chrono::milliseconds(kPauseAfterWriteMs)));
    // What is left to hand out: the pairs that did not take, when some did not.
    for (auto &h : m_handlers)
        if (std::find(failed.begin(), failed.end(), h.get()) == failed.end()) h->ClearInfo();
    return failed.empty();
}

bool HandlerRegistry::ModifyDevByIP(const char *ip, uint8_t transport, uint8_t type) {
    return Write(Request(transport, ip, ""), type);
}

bool HandlerRegistry::ModifyDevByMAC(const char *mac, uint8_t transport, uint8_t type) {
    return Write(Request(transport, "", mac), type);
}

bool HandlerRegistry::SendCmd(uint8_t type, const char *addr, uint32_t port, const char *cmd,
                              char *param, size_t paramCap, uint8_t transport) {
    const RequestRecord request = Request(transport, addr, "", port, param);
    return Offer(request, type, [&](FamilyHandler &h) { return h.SendCmd(request, type, OrEmpty(cmd), param, paramCap); });
}

}  // namespace vd
