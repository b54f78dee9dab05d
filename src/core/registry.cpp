#include "core/registry.h"

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
constexpr int kReceiveBuffer = 2048;

RequestRecord Request(uint8_t transport, const char *ip, const char *mac, uint32_t port = 0,
                      const char *param = "") {
    return {transport, OrEmpty(ip), OrEmpty(mac), port, OrEmpty(param)};
}
}  // namespace

CDevTypeRegistry::~CDevTypeRegistry() { Clear(); }

void CDevTypeRegistry::Add(std::unique_ptr<CDevType> handler) {
    if (handler) m_handlers.push_back(std::move(handler));
}

void CDevTypeRegistry::Clear() {
    for (auto &h : m_handlers) h.reset();
    m_handlers.clear();
}

bool CDevTypeRegistry::Accepts(CDevType &h, uint8_t transport, uint8_t type) {
    return h.IsTransportSupported(transport) && h.IsTypeSupported(type);
}

template <typename Call>
bool CDevTypeRegistry::Offer(const RequestRecord &request, int type, Call call) {
    const size_t count = m_handlers.size();
    for (size_t i = 0; i < count; ++i) {
        CDevType &h = *m_handlers[i];
        if (!h.IsTransportSupported(request.transport)) continue;
        if (type != kAnyType && !h.IsTypeSupported(type)) continue;
        h.m_request = request;
        if constexpr (std::is_void_v<decltype(call(h))>)
            call(h);
        else if (call(h))
            return true;
    }
    return false;
}

template <typename Done>
bool CDevTypeRegistry::WaitFor(int polls, Done done) {
    Sleep(kPauseAfterRequestMs);
    for (int poll = 0; poll < polls; ++poll) {
        ReceiveAll();
        for (auto &h : m_handlers)
            if (done(*h)) return true;
        Sleep(kPollMs);
    }
    return false;
}

int CDevTypeRegistry::SearchAll() {
    Offer(Request(1, "", ""), kAnyType, [](CDevType &h) { h.SearchAll(); });
    return 1;
}

int CDevTypeRegistry::Search(const char *addr) {
    Offer(Request(1, addr, ""), kAnyType, [](CDevType &h) { h.Search(); });
    return 1;
}

int CDevTypeRegistry::GetSearchDev(DeviceRecord &out) {
    ReceiveAll();
    for (auto &h : m_handlers)
        if (h->TakeSearchResult(out)) return 1;
    return 0;
}

void CDevTypeRegistry::ReceiveAll() {
    uint8_t buffer[kReceiveBuffer];
    char from[52];
    for (auto &h : m_handlers) {
        net::CClientSocket &socket = h->m_replyMode ? h->m_requestSocket : h->m_searchSocket;
        for (;;) {
            from[0] = '\0';
            const int got = socket.ReceiveTimed(buffer, kReceiveBuffer, from, 0);
            if (got == 0 || unsigned(got) > unsigned(kReceiveBuffer)) break;
            h->OnDatagram(buffer, got, from);
        }
    }
}

int CDevTypeRegistry::RequestInfo(const RequestRecord &request, uint8_t type, int polls, bool onlyAccepting) {
    for (auto &h : m_handlers) {
        h->m_info.ClearPairs();
        h->m_requestSocket.DrainInput(0);
    }
    Offer(request, type, [](CDevType &h) { h.RequestInfo(); });
    return WaitFor(polls, [&](CDevType &h) {
        return (!onlyAccepting || Accepts(h, request.transport, type)) && h.IsInfoComplete();
    });
}

int CDevTypeRegistry::GetDevInfoByIP(const char *ip, uint8_t transport, uint8_t type) {
    return RequestInfo(Request(transport, ip, ""), type, kPollsByIp, true);
}

int CDevTypeRegistry::GetDevInfoByMAC(const char *mac, uint8_t transport, uint8_t type) {
    return RequestInfo(Request(transport, "", mac), type, kPollsByMac, false);
}

int CDevTypeRegistry::GetPasswordByMAC(const char *mac, CString &out, uint8_t type) {
    out.clear();
    // Only block 0, which holds the password; the handler empties its own
    // information first.
    Offer(Request(1, "", mac), type, [](CDevType &h) { h.RequestBlock(0); });
    if (!WaitFor(kPollsPassword, [](CDevType &h) { return h.IsBlockReplied() != 0; })) return 0;
    CString key = "PASS";
    return TakeValue(key, out);
}

int CDevTypeRegistry::TakeValue(CString &key, CString &out) {
    out.clear();
    for (auto &h : m_handlers)
        if (h->TakeValue(key, out)) return 1;
    return 0;
}

int CDevTypeRegistry::ResetModifyConfig() {
    for (auto &h : m_handlers) h->m_staged.ClearPairs();
    return 1;
}

int CDevTypeRegistry::SetModifyConfig(const char *key, const char *value) {
    const CString k = OrEmpty(key);
    const CString v = OrEmpty(value);
    for (auto &h : m_handlers) {
        int i = h->m_staged.Find(k);
        if (i >= 0) {
            h->m_staged.values[size_t(i)] = v;
            continue;
        }
        if (h->InterceptModify(k, v)) continue;
        h->m_staged.Append(k, v);
    }
    return 1;
}

int CDevTypeRegistry::Write(const RequestRecord &request, uint8_t type) {
    Offer(request, type, [](CDevType &h) { h.WriteConfig(); });
    Sleep(kPauseAfterWriteMs);
    return 1;
}

int CDevTypeRegistry::ModifyDevByIP(const char *ip, uint8_t transport, uint8_t type) {
    return Write(Request(transport, ip, ""), type);
}

int CDevTypeRegistry::ModifyDevByMAC(const char *mac, uint8_t transport, uint8_t type) {
    return Write(Request(transport, "", mac), type);
}

int CDevTypeRegistry::SendCmd(uint8_t type, const char *addr, uint32_t port, const char *cmd,
                              char *param, size_t paramCap, uint8_t transport) {
    return Offer(Request(transport, addr, "", port, param), type,
                 [&](CDevType &h) { return h.SendCmd(type, OrEmpty(cmd), param, paramCap) == 1; });
}

}  // namespace vd
