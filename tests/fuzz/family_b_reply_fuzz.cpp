// FamilyBHandler::OnDatagram on an eight-port handler that asked one MAC
// for every block. The first byte's low bit picks whether the handler waits
// for information (reply mode 1) or not; the rest is the datagram. The pairs
// of an accepted reply are then handed out, as a host would take them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "devices/family_b/family_b_handler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static vd::FamilyBHandler handler(*vd::FindFamilyBModel(64));
    if (size < 1) return 0;
    handler.m_request.targetMac = "02:00:00:AB:CD:EF";
    handler.m_replyMode = data[0] & 1;
    // Every block number the slots hold is asked for.
    const vd::BlockMask all = ~vd::BlockMask(0);
    handler.m_read.Start(handler.m_request.targetMac, all);
    handler.m_info.ClearPairs();
    const int accepted = handler.OnDatagram(data + 1, int(size - 1), "127.0.0.2");
    // An accepted reply brings exactly one block.
    const vd::BlockMask got = all & ~handler.m_read.Missing();
    if (accepted ? (got == 0 || (got & (got - 1)) != 0) : got != 0) __builtin_trap();
    if (handler.m_info.keys.size() != handler.m_info.values.size()) __builtin_trap();
    for (;;) {
        std::string key, value;
        if (!handler.TakeValue(key, value)) break;
        if (key.empty() || value.size() > 40) __builtin_trap();
    }
    return 0;
}
