// CDevTypeRegistry: the ordered list of device-type handlers and the fan-out
// of every UDP operation over them. Three shapes of operation: broadcast
// (every accepting handler, result 1), first answer wins (stops at the first
// non-zero answer, 0 when none), and request-and-wait (reads poll ReceiveAll
// in 10 ms steps on the caller's thread).
#ifndef VANDREL_CORE_REGISTRY_H
#define VANDREL_CORE_REGISTRY_H

#include <cstdint>
#include <memory>
#include <vector>

#include "core/dev_type.h"

namespace vd {

class CDevTypeRegistry {
public:
    CDevTypeRegistry() = default;
    virtual ~CDevTypeRegistry();
    CDevTypeRegistry(const CDevTypeRegistry &) = delete;
    CDevTypeRegistry &operator=(const CDevTypeRegistry &) = delete;

    void Add(std::unique_ptr<CDevType> handler);
    void Clear();
    size_t Count() const { return m_handlers.size(); }
    CDevType *At(size_t i) const { return m_handlers[i].get(); }

    // Discovery.
    int SearchAll();
    int Search(const char *addr);
    int GetSearchDev(DeviceRecord &out);
    void ReceiveAll();

    // Information, staging, writes and commands.
    int GetDevInfoByIP(const char *ip, uint8_t transport, uint8_t type);
    int GetDevInfoByMAC(const char *mac, uint8_t transport, uint8_t type);
    int GetPasswordByMAC(const char *mac, CString &out, uint8_t type);
    int TakeValue(CString &key, CString &out);
    int ResetModifyConfig();
    int SetModifyConfig(const char *key, const char *value);
    int ModifyDevByIP(const char *ip, uint8_t transport, uint8_t type);
    int ModifyDevByMAC(const char *mac, uint8_t transport, uint8_t type);
    int SendCmd(uint8_t type, const char *addr, uint32_t port, const char *cmd, char *param,
                size_t paramCap, uint8_t transport);

private:
    static bool Accepts(CDevType &h, uint8_t transport, uint8_t type);
    int WaitForInfo(int polls, uint8_t transport, uint8_t type, bool testAcceptance);
    int StartSearch(const char *addr, bool all);

    std::vector<std::unique_ptr<CDevType>> m_handlers;
};

}  // namespace vd

#endif
