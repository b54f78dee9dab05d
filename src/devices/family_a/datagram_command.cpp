#include "devices/family_a/datagram_command.h"

#include <cstring>

#include "base/text.h"

namespace vd {

namespace {

struct DatagramCommand {
    const char *name;
    uint8_t code;
    int onlyType;  // 0: any family A type
};
constexpr DatagramCommand kCommands[] = {
    {"RESETDEV", 0x1B, 0},
    {"10TCTRLIO", 0x23, 0},
    {"RESETDEV10T", 0x25, 7},
};

}  // namespace

Packet BuildDatagramCommand(int type, const char *cmd, const char *param) {
    Packet packet;
    for (const DatagramCommand &c : kCommands) {
        if (std::strcmp(OrEmpty(cmd), c.name) != 0) continue;
        if (c.onlyType && type != c.onlyType) break;
        const uint8_t d = uint8_t(AtoI(OrEmpty(param)));
        AppendItem(packet, c.code, &d, 1);
        break;
    }
    PadShortPacket(packet);
    return packet;
}

}  // namespace vd
