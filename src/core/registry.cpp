#include "core/registry.h"

#include <algorithm>
#include <chrono>
#include <type_traits>

#include "base/sleep.h"
#include "core/reply_wait.h"
#include "core/write_confirm.h"

namespace vd {

namespace {
constexpr int kPollsByIp = 200;
constexpr int kPollsByMac = 300;
constexpr int kPollsPassword = 200;

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

bool HandlerRegistry::WaitFor(int polls, std::function<void()> send,
                              std::function<bool(FamilyHandler &)> done, const RequestRecord &request,
                              int type) {
    auto repeat = [&](SteadyClock::time_point until) {
        Offer(request, type, [&](FamilyHandler &h) { h.RepeatRequest(until); });
    };
    ReplyWait wait(m_handlers, {std::move(send), repeat, std::move(done), polls});
    m_loop.RunUntil(wait);
    return wait.Answered();
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
    HandlerExchange collect(m_handlers);
    m_loop.RunUntil(collect);
    for (auto &h : m_handlers)
        if (h->TakeSearchResult(out)) return true;
    return false;
}

bool HandlerRegistry::RequestInfo(const RequestRecord &request, uint8_t type, int polls) {
    auto send = [&] {
        for (auto &h : m_handlers) {
            h->ClearInfo();
            h->DiscardRequestInput();
        }
        Offer(request, type, [&](FamilyHandler &h) { h.RequestInfo(request); });
    };
    auto done = [&](FamilyHandler &h) { return Accepts(h, request.transport, type) && h.IsInfoComplete(); };
    return WaitFor(polls, send, done, request, type);
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
    auto send = [&] { Offer(request, type, [&](FamilyHandler &h) { h.RequestBlock(request, 0); }); };
    // Only a handler that took this request may answer it: another one's
    // earlier read, complete long ago, is not this device's.
    auto replied = [&](FamilyHandler &h) { return Accepts(h, request.transport, type) && h.IsBlockReplied(); };
    if (!WaitFor(kPollsPassword, send, replied, request, type)) return false;
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

void HandlerRegistry::ForgetCopies(uint8_t type) {
    for (auto &h : m_handlers)
        if (h->IsTypeSupported(type)) h->ForgetCopies();
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
