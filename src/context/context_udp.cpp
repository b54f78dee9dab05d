// The context's UDP operations. Each checks the type code's family where it
// has one, then runs one registry operation under the context's lock.
#include <cstring>
#include <string>

#include "base/device_text.h"
#include "base/text.h"
#include "codec/codec.h"
#include "context/context.h"
#include "net/platform.h"
#include "vandrel.h"

namespace vd {

namespace {

std::string CutPassword(const std::string &pass) { return pass.substr(0, kPasswordRoom - 1); }

std::string LockName(char family, const char *address) { return net::DeviceLockName(family, OrEmpty(address)); }

}  // namespace

int32_t Context::SearchAll() {
    Guard lock(m_lock);
    m_registry.SearchAll();
    return VD_OK;
}

int32_t Context::Search(const char *addr) {
    Guard lock(m_lock);
    m_registry.Search(OrEmpty(addr));
    return VD_OK;
}

bool Context::TakeSearchResult(DeviceRecord &out) {
    Guard lock(m_lock);
    return m_registry.GetSearchDev(out);
}

int32_t Context::GetDevInfoByIP(const char *ip, int32_t type) {
    if (IsFamilyB(type)) return VD_WRONG_FAMILY;
    Guard lock(m_lock);
    return m_registry.GetDevInfoByIP(OrEmpty(ip), 1, uint8_t(type)) ? VD_OK : VD_FAIL;
}

int32_t Context::GetDevInfoByMAC(const char *mac, int32_t type) {
    if (!IsFamilyB(type)) return VD_WRONG_FAMILY;
    Guard lock(m_lock);
    // Counted before the read: a write that ends during it makes its copies old.
    const std::string device = LockName('B', mac);
    m_readAt[type] = {device, net::DeviceWrites(device)};
    return m_registry.GetDevInfoByMAC(OrEmpty(mac), 1, uint8_t(type)) ? VD_OK : VD_FAIL;
}

int32_t Context::GetDevConfig(char *key, char *value) {
    Guard lock(m_lock);
    std::string name;
    if (key) name.assign(key, strnlen(key, VD_KEY_LEN - 1));
    if (name == "PASS") return VD_FAIL;
    const bool asked = !name.empty();
    std::string out;
    const bool found = m_registry.TakeValue(name, out);
    if (!asked && found) CopyText(key, VD_KEY_LEN, name);
    if (name == "VERSION") {
        if (found) {
            const int n = AtoI(out) + 100;
            out = Format("V%d.%02d", n / 100, n % 100);
        } else {
            out = "V1.00";
        }
        CopyText(value, VD_VALUE_LEN, out);
        return VD_OK;
    }
    CopyText(value, VD_VALUE_LEN, out);
    return found ? VD_OK : VD_FAIL;
}

int32_t Context::ResetModifyConfig() {
    Guard lock(m_lock);
    m_registry.ResetModifyConfig();
    return VD_OK;
}

int32_t Context::SetModifyConfig(const char *key, const char *value) {
    Guard lock(m_lock);
    m_registry.SetModifyConfig(OrEmpty(key), OrEmpty(value));
    return VD_OK;
}

int32_t Context::ModifyDevByIP(const char *ip, const char *password, int32_t type) {
    if (IsFamilyB(type)) return VD_WRONG_FAMILY;
    Guard lock(m_lock);
    // The read is part of the write, under the device's lock.
    net::DeviceLock device(LockName('A', ip));
    if (!m_registry.GetDevInfoByIP(OrEmpty(ip), 1, uint8_t(type))) return VD_NO_INFO;
    std::string key = "PASS", pass;
    m_registry.TakeValue(key, pass);
    if (CutPassword(pass) != OrEmpty(password)) return VD_WRONG_PASSWORD;
    return m_registry.ModifyDevByIP(OrEmpty(ip), 1, uint8_t(type)) ? VD_OK : VD_FAIL;
}

int32_t Context::ModifyDevByMAC(const char *mac, const char *password, int32_t type) {
    if (!IsFamilyB(type)) return VD_WRONG_FAMILY;
    Guard lock(m_lock);
    const std::string name = LockName('B', mac);
    net::DeviceLock device(name);
    // The blocks a write does not read come from the copies of the last
    // read: after another process's write they would put back what it wrote.
    const auto read = m_readAt.find(type);
    if (read == m_readAt.end() || read->second != std::make_pair(name, net::DeviceWrites(name)))
        m_registry.ForgetCopies(uint8_t(type));
    std::string pass;
    if (!m_registry.GetPasswordByMAC(OrEmpty(mac), pass, uint8_t(type))) return VD_NO_INFO;
    if (CutPassword(pass) != OrEmpty(password)) return VD_WRONG_PASSWORD;
    // Counted as it starts and as it ends: a read meanwhile is old either way.
    device.CountWrite();
    const bool confirmed = m_registry.ModifyDevByMAC(OrEmpty(mac), 1, uint8_t(type));
    m_readAt[type] = {name, device.CountWrite()};
    return confirmed ? VD_OK : VD_FAIL;
}

int32_t Context::SendCmd(int32_t type, const char *addr, uint32_t port, const char *cmd, char *param,
                         uint8_t transport) {
    Guard lock(m_lock);
    const bool sent = m_registry.SendCmd(uint8_t(type), OrEmpty(addr), port, OrEmpty(cmd), param,
                                         param ? VD_PARAM_LEN : 0, transport);
    return sent ? VD_OK : VD_FAIL;
}

}  // namespace vd
