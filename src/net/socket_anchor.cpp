// The anchor that fixes the owner thread and makes the context on it.
#include "net/socket_context_internal.h"

namespace vd::net {

SocketAnchor::SocketAnchor() {
    RecordOwnerThread();
    m_socket.Create(0, SocketType::Stream, kEventRead | kEventWrite | kEventOob | kEventAccept | kEventConnect | kEventClose, nullptr);
}

}  // namespace vd::net
