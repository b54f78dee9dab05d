// FamilyAHandler::OnDatagram in every reply mode. The first byte picks the mode
// (0 search, 1 information, 2 write, 3 another value), the second whether the
// sender is the address asked; the rest is the datagram.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "devices/family_a/family_a_handler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const auto handler = std::make_unique<vd::FamilyAHandler>();
    if (size < 2) return 0;
    handler->m_replyMode = data[0] % 4;
    handler->m_info.ClearPairs();
    handler->m_info.code1 = 0;
    // An unopened request socket's host is "".
    const char *from = (data[1] & 1) ? "" : "127.0.0.9";
    handler->OnDatagram(data + 2, int(size - 2), from);
    if (handler->m_info.keys.size() != handler->m_info.values.size()) __builtin_trap();
    for (const auto &record : handler->m_results)
        if (record->keys.size() != record->values.size()) __builtin_trap();
    handler->m_results.clear();
    return 0;
}
