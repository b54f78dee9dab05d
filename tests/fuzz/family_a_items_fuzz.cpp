// DecodeItems on a hostile reply. The first byte is the record's type code
// before the reply (it picks the type group), the rest is the datagram.
#include <cstddef>
#include <cstdint>
#include <string>

#include "devices/family_a/decode_items.h"
#include "codec/codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    vd::DeviceRecord record;
    record.code1 = data[0];
    vd::DecodeItems(data + 1, size - 1, record);
    if (record.keys.size() != record.values.size()) __builtin_trap();
    for (const std::string &value : record.values)
        if (value.size() > vd::kMaxTextValue) __builtin_trap();
    return 0;
}
