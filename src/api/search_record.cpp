#include "api/search_record.h"

#include "vandrel.h"

namespace vd {

void CopySearchRecord(const DeviceRecord &record, char *ip, char *version, char *mac, uint8_t *code1,
                      uint8_t *code2, uint32_t *port) {
    CopyText(ip, VD_IP_LEN, record.ip);
    CopyText(version, VD_VERSION_LEN, record.version);
    CopyText(mac, VD_MAC_LEN, record.mac);
    if (code1) *code1 = record.code1;
    if (code2) *code2 = record.code2;
    if (port) *port = record.port;
}

}  // namespace vd
