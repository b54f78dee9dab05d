#include "devices/family_a/search_reply.h"

#include "base/byte_reader.h"

namespace vd {

bool DecodeFixedSearchReply(const uint8_t *data, size_t len, DeviceRecord &record) {
    if (len != kFixedSearchReplyLength) return false;
    ByteReader reader(data, len);
    uint32_t marker;
    const uint8_t *mac, *ip;
    uint8_t code1, code2, version;
    uint16_t port;
    if (!reader.U32(marker) || marker != 0x00020002u) return false;
    if (!reader.Bytes(6, mac) || !reader.Skip(4) || !reader.U8(code1) || !reader.U8(code2) ||
        !reader.U8(version) || !reader.Bytes(4, ip) || !reader.U16(port))
        return false;
    const int v = version + 100;
    record.ip = FormatIp(ip);
    record.version = Format("%d.%02d", v / 100, v % 100);
    record.mac = FormatMac(mac);
    record.code1 = code1;
    record.code2 = code2;
    record.port = port;
    return true;
}

}  // namespace vd
