#include "command_packets/io_ops.h"

#include "command_packets/command_packet.h"
#include "vandrel.h"

namespace vd {

using net::ClientSocket;

namespace {

constexpr int kReceiveRoom = 256;
constexpr size_t kPayloadRoom = 100;

// One poll without waiting: the readings of a reply with this code that
// arrived since the last call. A reply too short to hold both readings is
// not taken.
bool CollectReadings(ClientSocket &channel, uint8_t code, uint32_t readings[2]) {
    uint8_t received[kReceiveRoom];
    const int got = channel.ReceiveTimed(received, kReceiveRoom, nullptr, 0);
    if (got <= 0) return false;
    uint8_t payload[kPayloadRoom];
    size_t payloadLen = 0;
    return FindReplyPacket(code, received, static_cast<size_t>(got), payload, sizeof payload,
                           payloadLen) &&
           ReplyReadings(code, payload, payloadLen, readings);
}

int SendRequest(ClientSocket &channel, const char *name, const char *param) {
    uint8_t packet[kMaxPacket];
    size_t length = 0;
    BuildCommandPacket(packet, length, name, param);
    return channel.SendData(packet, static_cast<int>(length));
}

}  // namespace

int GetAD(ClientSocket &channel, uint32_t *a, uint32_t *b) {
    uint32_t readings[2];
    const int result = CollectReadings(channel, CMD_GETADC, readings) ? VD_OK : VD_FAIL;
    if (result == VD_OK) {
        if (a) *a = readings[0];
        if (b) *b = readings[1];
    }
    // Only an error counts as not sent here: a send that would block still
    // reports what was collected.
    return SendRequest(channel, "GETADC", "") < 0 ? VD_NO_CONNECTION : result;
}

int GetIO(ClientSocket &channel, uint8_t *a, uint8_t *b) {
    uint32_t readings[2];
    const int result = CollectReadings(channel, CMD_GETIOSTAT, readings) ? VD_OK : VD_FAIL;
    if (result == VD_OK) {
        if (a) *a = static_cast<uint8_t>(readings[0]);
        if (b) *b = static_cast<uint8_t>(readings[1]);
    }
    // Unlike GetAD, a send that would block counts as not sent.
    return SendRequest(channel, "GETIOSTAT", "") <= 0 ? VD_NO_CONNECTION : result;
}

int SetIODir(ClientSocket &channel, uint8_t value) {
    return SendRequest(channel, "SETIODIR", Format("%d", value).c_str()) > 0 ? VD_OK
                                                                               : VD_NO_CONNECTION;
}

int SetIOLevel(ClientSocket &channel, uint8_t value) {
    return SendRequest(channel, "SETIOLEVEL", Format("%d", value).c_str()) > 0
               ? VD_OK
               : VD_NO_CONNECTION;
}

}  // namespace vd
