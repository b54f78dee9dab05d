// FamilyAHandler::OnDatagram in every reply mode. The first byte picks the mode
// (search, information, write), the second whether the sender is the address
// asked; the rest is the datagram.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "devices/family_a/family_a_handler.h"

namespace {

// A handler waiting for answers of the mode given, with nothing read yet.
struct Waiting : vd::FamilyAHandler {
    void Expect(vd::ReplyMode mode) {
        m_replyMode = mode;
        m_info.ClearPairs();
        m_info.code1 = 0;
    }
    bool Sound() {
        if (m_info.keys.size() != m_info.values.size()) return false;
        for (const auto &record : m_results)
            if (record->keys.size() != record->values.size()) return false;
        m_results.clear();
        return true;
    }
};

constexpr vd::ReplyMode kModes[] = {vd::ReplyMode::Search, vd::ReplyMode::Info, vd::ReplyMode::Write};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const auto handler = std::make_unique<Waiting>();
    if (size < 2) return 0;
    handler->Expect(kModes[data[0] % 3]);
    // An unopened request socket's host is "".
    const char *from = (data[1] & 1) ? "" : "127.0.0.9";
    handler->OnDatagram(data + 2, int(size - 2), from);
    if (!handler->Sound()) __builtin_trap();
    return 0;
}
