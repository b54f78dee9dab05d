#include "core/registry.h"

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

int CDevTypeRegistry::StartSearch(const char *addr, bool all) {
    const size_t count = m_handlers.size();
    for (size_t i = 0; i < count; ++i) {
        CDevType &h = *m_handlers[i];
        h.m_transport = 1;
        h.m_targetIp = OrEmpty(addr);
        h.m_port = 0;
        if (!h.IsTransportSupported(1)) continue;
        if (all)
            h.SearchAll();
        else
            h.Search();
    }
    return 1;
}

int CDevTypeRegistry::SearchAll() { return StartSearch("", true); }

int CDevTypeRegistry::Search(const char *addr) { return StartSearch(addr, false); }

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
            int length = kReceiveBuffer;
            from[0] = '\0';
            int got = socket.ReceiveTimed(buffer, length, from, 0);
            if (got == 0 || unsigned(got) > unsigned(kReceiveBuffer)) break;
            h->OnDatagram(buffer, got, from);
        }
    }
}

int CDevTypeRegistry::WaitForInfo(int polls, uint8_t transport, uint8_t type, bool testAcceptance) {
    Sleep(kPauseAfterRequestMs);
    for (int poll = 0; poll < polls; ++poll) {
        ReceiveAll();
        for (auto &h : m_handlers) {
            if (testAcceptance && !Accepts(*h, transport, type)) continue;
            if (h->IsInfoComplete()) return 1;
        }
        Sleep(kPollMs);
    }
    return 0;
}

int CDevTypeRegistry::GetDevInfoByIP(const char *ip, uint8_t transport, uint8_t type) {
    const size_t count = m_handlers.size();
    for (size_t i = 0; i < count; ++i) {
        CDevType &h = *m_handlers[i];
        h.m_info.ClearPairs();
        h.m_requestSocket.DrainInput(0);
        if (!Accepts(h, transport, type)) continue;
        h.m_transport = transport;
        h.m_targetIp = OrEmpty(ip);
        h.m_port = 0;
        h.RequestInfo();
        h.SetDevType(type);
    }
    return WaitForInfo(kPollsByIp, transport, type, true);
}

int CDevTypeRegistry::GetDevInfoByMAC(const char *mac, uint8_t transport, uint8_t type) {
    const size_t count = m_handlers.size();
    for (size_t i = 0; i < count; ++i) {
        CDevType &h = *m_handlers[i];
        h.m_info.ClearPairs();
        h.m_requestSocket.DrainInput(0);
        if (!Accepts(h, transport, type)) continue;
        h.m_transport = transport;
        h.m_targetIp.clear();
        h.m_targetMac = OrEmpty(mac);
        h.m_port = 0;
        h.RequestInfo();
        h.SetDevType(type);
    }
    return WaitForInfo(kPollsByMac, transport, type, false);
}

int CDevTypeRegistry::GetPasswordByMAC(const char *mac, CString &out, uint8_t type) {
    out.clear();
    const size_t count = m_handlers.size();
    for (size_t i = 0; i < count; ++i) {
        CDevType &h = *m_handlers[i];
        if (!Accepts(h, 1, type)) continue;
        h.m_transport = 1;
        h.m_targetIp.clear();
        h.m_port = 0;
        h.m_targetMac = OrEmpty(mac);
        h.RequestBlock(0);
        h.SetDevType(type);
    }
    Sleep(kPauseAfterRequestMs);
    for (int poll = 0; poll < kPollsPassword; ++poll) {
        ReceiveAll();
        for (auto &h : m_handlers) {
            if (h->IsBlockReplied()) {
                CString key = "PASS";
                return TakeValue(key, out);
            }
        }
        Sleep(kPollMs);
    }
    return 0;
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

int CDevTypeRegistry::ModifyDevByIP(const char *ip, uint8_t transport, uint8_t type) {
    const size_t count = m_handlers.size();
    for (size_t i = 0; i < count; ++i) {
        CDevType &h = *m_handlers[i];
        if (!Accepts(h, transport, type)) continue;
        h.m_transport = transport;
        h.m_targetIp = OrEmpty(ip);
        h.m_port = 0;
        h.WriteConfig();
    }
    Sleep(kPauseAfterWriteMs);
    return 1;
}

int CDevTypeRegistry::ModifyDevByMAC(const char *mac, uint8_t transport, uint8_t type) {
    const size_t count = m_handlers.size();
    for (size_t i = 0; i < count; ++i) {
        CDevType &h = *m_handlers[i];
        if (!Accepts(h, transport, type)) continue;
        h.m_transport = transport;
        h.m_targetIp.clear();
        h.m_targetMac = OrEmpty(mac);
        h.m_port = 0;
        h.WriteConfig();
    }
    Sleep(kPauseAfterWriteMs);
    return 1;
}

int CDevTypeRegistry::SendCmd(uint8_t type, const char *addr, uint32_t port, const char *cmd,
                              char *param, size_t paramCap, uint8_t transport) {
    const size_t count = m_handlers.size();
    for (size_t i = 0; i < count; ++i) {
        CDevType &h = *m_handlers[i];
        if (!Accepts(h, transport, type)) continue;
        h.m_transport = transport;
        h.m_targetIp = OrEmpty(addr);
        h.m_port = port;
        h.m_targetMac = OrEmpty(param);
        if (h.SendCmd(type, OrEmpty(cmd), param, paramCap) == 1) return 1;
    }
    return 0;
}

}  // namespace vd
