// The UDP discovery and configuration exports, each one operation of the
// default context (context/context.h), which checks the type code's family
// and runs it under the context's lock.
#include "api/library.h"
#include "api/search_record.h"
#include "vandrel.h"

using namespace vd;

extern "C" {

int32_t VD_CALL VD_SearchAll(void) {
    return Guarded<int32_t>(VD_OK, [] { return DefaultContext().SearchAll(); });
}

int32_t VD_CALL VD_Search(const char *addr) {
    return Guarded<int32_t>(VD_OK, [&] { return DefaultContext().Search(addr); });
}

int32_t VD_CALL VD_GetSearchDev(char *ip, char *version, char *mac, uint8_t *code1, uint8_t *code2,
                        uint32_t *port) {
    return Guarded<int32_t>(VD_FAIL, [&] {
        DeviceRecord record;
        if (!DefaultContext().TakeSearchResult(record)) return VD_FAIL;
        CopySearchRecord(record, ip, version, mac, code1, code2, port);
        return VD_OK;
    });
}

int32_t VD_CALL VD_GetDevInfoUDPbyIP(const char *ip, int32_t type) {
    return Guarded<int32_t>(VD_FAIL, [&] { return DefaultContext().GetDevInfoByIP(ip, type); });
}

int32_t VD_CALL VD_GetDevInfoUDPbyMAC(const char *mac, int32_t type) {
    return Guarded<int32_t>(VD_FAIL, [&] { return DefaultContext().GetDevInfoByMAC(mac, type); });
}

int32_t VD_CALL VD_GetDevConfigUDP(char *key, char *value) {
    return Guarded<int32_t>(VD_FAIL, [&] { return DefaultContext().GetDevConfig(key, value); });
}

int32_t VD_CALL VD_ResetModifyConfigUDP(void) {
    return Guarded<int32_t>(VD_OK, [] { return DefaultContext().ResetModifyConfig(); });
}

int32_t VD_CALL VD_SetModifyConfigUDP(const char *key, const char *value) {
    return Guarded<int32_t>(VD_OK, [&] { return DefaultContext().SetModifyConfig(key, value); });
}

int32_t VD_CALL VD_ModifyDevUDPbyIP(const char *ip, const char *password, int32_t type) {
    return Guarded<int32_t>(VD_FAIL, [&] { return DefaultContext().ModifyDevByIP(ip, password, type); });
}

int32_t VD_CALL VD_ModifyDevUDPbyMAC(const char *mac, const char *password, int32_t type) {
    return Guarded<int32_t>(VD_FAIL, [&] { return DefaultContext().ModifyDevByMAC(mac, password, type); });
}

int32_t VD_CALL VD_SendCmd(int32_t type, const char *addr, uint32_t port, const char *cmd, char *param,
                   uint8_t transport) {
    return Guarded<int32_t>(VD_FAIL, [&] {
        return DefaultContext().SendCmd(type, addr, port, cmd, param, transport);
    });
}

}  // extern "C"
