// The UDP discovery and configuration exports. Each checks the type code's
// family where it has one, then runs one registry operation under g_lock.
#include <cstring>
#include <string>

#include "api/library.h"
#include "base/device_text.h"
#include "vandrel.h"

using namespace vd;

namespace {

using Guard = std::lock_guard<std::recursive_mutex>;

std::string CutPassword(const std::string &pass) { return pass.substr(0, kPasswordRoom - 1); }

}  // namespace

extern "C" {

int32_t VD_CALL VD_SearchAll(void) {
    return Guarded<int32_t>(VD_OK, [] {
        Guard lock(g_lock);
        g_manager.registry.SearchAll();
        return VD_OK;
    });
}

int32_t VD_CALL VD_Search(const char *addr) {
    return Guarded<int32_t>(VD_OK, [&] {
        Guard lock(g_lock);
        g_manager.registry.Search(OrEmpty(addr));
        return VD_OK;
    });
}

int32_t VD_CALL VD_GetSearchDev(char *ip, char *version, char *mac, uint8_t *code1, uint8_t *code2,
                        uint32_t *port) {
    return Guarded<int32_t>(VD_FAIL, [&] {
        Guard lock(g_lock);
        DeviceRecord record;
        if (!g_manager.registry.GetSearchDev(record)) return VD_FAIL;
        CopyText(ip, VD_IP_LEN, record.ip);
        CopyText(version, VD_VERSION_LEN, record.version);
        CopyText(mac, VD_MAC_LEN, record.mac);
        if (code1) *code1 = record.code1;
        if (code2) *code2 = record.code2;
        if (port) *port = record.port;
        return VD_OK;
    });
}

int32_t VD_CALL VD_GetDevInfoUDPbyIP(const char *ip, int32_t type) {
    if (IsFamilyB(type)) return VD_WRONG_FAMILY;
    return Guarded<int32_t>(VD_FAIL, [&] {
        Guard lock(g_lock);
        return g_manager.registry.GetDevInfoByIP(OrEmpty(ip), 1, uint8_t(type)) ? VD_OK : VD_FAIL;
    });
}

int32_t VD_CALL VD_GetDevInfoUDPbyMAC(const char *mac, int32_t type) {
    if (!IsFamilyB(type)) return VD_WRONG_FAMILY;
    return Guarded<int32_t>(VD_FAIL, [&] {
        Guard lock(g_lock);
        return g_manager.registry.GetDevInfoByMAC(OrEmpty(mac), 1, uint8_t(type)) ? VD_OK : VD_FAIL;
    });
}

int32_t VD_CALL VD_GetDevConfigUDP(char *key, char *value) {
    return Guarded<int32_t>(VD_FAIL, [&] {
        Guard lock(g_lock);
        std::string name;
        if (key) name.assign(key, strnlen(key, VD_KEY_LEN - 1));
        if (name == "PASS") return VD_FAIL;
        const bool asked = !name.empty();
        std::string out;
        const bool found = g_manager.registry.TakeValue(name, out);
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
    });
}

int32_t VD_CALL VD_ResetModifyConfigUDP(void) {
    return Guarded<int32_t>(VD_OK, [] {
        Guard lock(g_lock);
        g_manager.registry.ResetModifyConfig();
        return VD_OK;
    });
}

int32_t VD_CALL VD_SetModifyConfigUDP(const char *key, const char *value) {
    return Guarded<int32_t>(VD_OK, [&] {
        Guard lock(g_lock);
        g_manager.registry.SetModifyConfig(OrEmpty(key), OrEmpty(value));
        return VD_OK;
    });
}

int32_t VD_CALL VD_ModifyDevUDPbyIP(const char *ip, const char *password, int32_t type) {
    if (IsFamilyB(type)) return VD_WRONG_FAMILY;
    return Guarded<int32_t>(VD_FAIL, [&] {
        Guard lock(g_lock);
        HandlerRegistry &registry = g_manager.registry;
        if (!registry.GetDevInfoByIP(OrEmpty(ip), 1, uint8_t(type))) return VD_NO_INFO;
        std::string key = "PASS", pass;
        registry.TakeValue(key, pass);
        if (CutPassword(pass) != OrEmpty(password)) return VD_WRONG_PASSWORD;
        return registry.ModifyDevByIP(OrEmpty(ip), 1, uint8_t(type)) ? VD_OK : VD_FAIL;
    });
}

int32_t VD_CALL VD_ModifyDevUDPbyMAC(const char *mac, const char *password, int32_t type) {
    if (!IsFamilyB(type)) return VD_WRONG_FAMILY;
    return Guarded<int32_t>(VD_FAIL, [&] {
        Guard lock(g_lock);
        HandlerRegistry &registry = g_manager.registry;
        std::string pass;
        if (!registry.GetPasswordByMAC(OrEmpty(mac), pass, uint8_t(type))) return VD_NO_INFO;
        if (CutPassword(pass) != OrEmpty(password)) return VD_WRONG_PASSWORD;
        return registry.ModifyDevByMAC(OrEmpty(mac), 1, uint8_t(type)) ? VD_OK : VD_FAIL;
    });
}

int32_t VD_CALL VD_SendCmd(int32_t type, const char *addr, uint32_t port, const char *cmd, char *param,
                   uint8_t transport) {
    return Guarded<int32_t>(VD_FAIL, [&] {
        Guard lock(g_lock);
        const bool sent = g_manager.registry.SendCmd(uint8_t(type), OrEmpty(addr), port, OrEmpty(cmd), param,
                                                       param ? VD_PARAM_LEN : 0, transport);
        return sent ? VD_OK : VD_FAIL;
    });
}

}  // extern "C"
