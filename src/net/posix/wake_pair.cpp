// The wake signal as a non-blocking pipe, which poll waits on like a socket.
#include <fcntl.h>
#include <unistd.h>

#include "net/platform.h"

namespace vd::net {

bool OpenWakePair(WakePair &pair) {
    int ends[2];
    if (pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0) return false;
    pair.waitEnd = ends[0];
    pair.raiseEnd = ends[1];
    return true;
}

void CloseWakePair(WakePair &pair) {
    if (pair.waitEnd != kInvalidSocket) close(int(pair.waitEnd));
    if (pair.raiseEnd != kInvalidSocket) close(int(pair.raiseEnd));
    pair = WakePair();
}

// A full pipe is raised already.
void RaiseWake(const WakePair &pair) {
    const char byte = 1;
    (void)!write(int(pair.raiseEnd), &byte, 1);
}

void LowerWake(const WakePair &pair) {
    char bytes[64];
    while (read(int(pair.waitEnd), bytes, sizeof bytes) > 0) {
    }
}

}  // namespace vd::net
