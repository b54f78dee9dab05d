// The socket layer's load and unload: the anchor that fixes the owner thread
// and makes the context on it, and the platform's start and stop.
#include "net/socket_context_internal.h"

namespace vd::net {

CSocketAnchor::CSocketAnchor() {
    RecordOwnerThread();
    m_socket.Create(0, SOCKET_STREAM, kEventRead | kEventWrite | kEventOob | kEventAccept | kEventConnect | kEventClose, nullptr);
}

bool Startup() { return StartSockets(); }

void Cleanup() { StopSockets(); }

}  // namespace vd::net
