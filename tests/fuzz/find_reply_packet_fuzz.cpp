// Received bytes from a data channel: the first input byte picks the wanted
// code, the second the payload room; the rest is what the device sent.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "command_packets/command_packet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) return 0;
    const uint8_t code = data[0];
    const size_t cap = data[1];
    // Exact-size copies, so that a read or write past either end is caught.
    std::vector<uint8_t> received(data + 2, data + size);
    std::vector<uint8_t> payload(cap);
    size_t n = 0;
    if (!vd::FindReplyPacket(code, received.data(), received.size(), payload.data(), cap, n))
        return 0;
    if (n > cap) std::abort();
    uint32_t readings[2];
    vd::ReplyReadings(code, payload.data(), n, readings);
    char text[12];
    vd::FormatReplyData(payload.data(), n, "GETADC", text, sizeof text);
    return 0;
}
