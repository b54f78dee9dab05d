// FamilyBHandler::OnDatagram on an eight-port handler that asked one MAC
// for every block. The first byte's low bit picks whether the handler waits
// for information or not; the rest is the datagram. The pairs of an accepted
// reply are then handed out, as a host would take them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "devices/family_b/family_b_handler.h"

namespace {

// Every block number the slots hold is asked for.
constexpr vd::BlockMask kAll = ~vd::BlockMask(0);

struct Asking : vd::FamilyBHandler {
    Asking() : FamilyBHandler(*vd::FindFamilyBModel(64)) {}
    void Ask(bool waiting) {
        m_request.targetMac = "02:00:00:AB:CD:EF";
        m_replyMode = waiting ? vd::ReplyMode::Info : vd::ReplyMode::Search;
        m_read.Start(m_request.targetMac, kAll);
        m_info.ClearPairs();
    }
    vd::BlockMask Arrived() const { return kAll & ~m_read.Missing(); }
    bool Sound() const { return m_info.keys.size() == m_info.values.size(); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static Asking handler;
    if (size < 1) return 0;
    handler.Ask(data[0] & 1);
    const bool accepted = handler.OnDatagram(data + 1, int(size - 1), "127.0.0.2");
    // An accepted reply brings exactly one block.
    const vd::BlockMask got = handler.Arrived();
    if (accepted ? (got == 0 || (got & (got - 1)) != 0) : got != 0) __builtin_trap();
    if (!handler.Sound()) __builtin_trap();
    for (;;) {
        std::string key, value;
        if (!handler.TakeValue(key, value)) break;
        if (key.empty() || value.size() > 40) __builtin_trap();
    }
    return 0;
}
