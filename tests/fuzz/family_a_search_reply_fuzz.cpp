// The fixed 25-byte search reply decoder on any datagram.
#include <cstddef>
#include <cstdint>

#include "devices/family_a/search_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    vd::DeviceRecord record;
    const bool taken = vd::DecodeFixedSearchReply(data, size, record);
    if (taken && (size != vd::kFixedSearchReplyLength || record.ip.size() > 15 || record.version.size() > 4))
        __builtin_trap();
    return 0;
}
