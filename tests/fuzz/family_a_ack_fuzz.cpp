// The firmware download's acknowledgement check on any answer.
#include <cstddef>
#include <cstdint>

#include "devices/family_a/firmware/firmware_packets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (vd::IsAcknowledgement(data, size) != (size > 0 && data[size - 1] == 'k')) __builtin_trap();
    return 0;
}
