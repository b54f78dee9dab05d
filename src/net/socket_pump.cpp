// The message loops of the owner thread: the connect wait's pump of socket
// notifications and the host's VD_PumpMessages.
#include <algorithm>
#include <chrono>

#include "net/socket_context_internal.h"

namespace vd::net {

namespace {

// Each round dispatches what one scan found; the handlers' reads let further
// notices through for the next round. The bound keeps a peer that never stops
// sending from holding the pump forever.
constexpr int kMaxRounds = 64;

int DispatchRound(CSocketContext &context, uint32_t first, uint32_t last) {
    int count = 0;
    SocketMessage message;
    while (context.Take(first, last, message)) {
        context.Dispatch(message);
        ++count;
    }
    return count;
}

int DispatchPending(CSocketContext &context, uint32_t first, uint32_t last) {
    int total = 0;
    for (int round = 0; round < kMaxRounds; ++round) {
        context.Scan(0);
        const int count = DispatchRound(context, first, last);
        if (count == 0) break;
        total += count;
    }
    return total;
}

}  // namespace

void PumpSocketNotifications() {
    if (CSocketContext *context = OwnContext())
        DispatchPending(*context, SOCKET_MSG_BASE, SOCKET_MSG_LAST);
}

int32_t PumpMessages(int32_t timeoutMs) {
    CSocketContext *context = OwnContext();
    if (!context) return 0;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
    for (;;) {
        const int count = DispatchPending(*context, 0, UINT32_MAX);
        if (count > 0) return count;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return 0;
        // Short steps, so that a lookup queued by another thread is not kept waiting.
        context->Scan(int(std::min<int64_t>(left.count(), 10)));
    }
}

}  // namespace vd::net
