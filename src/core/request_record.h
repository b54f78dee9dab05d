// The request record: what the registry passes to a handler's request
// operations, the same for every handler it offers the request to.
#ifndef VANDREL_CORE_REQUEST_RECORD_H
#define VANDREL_CORE_REQUEST_RECORD_H

#include <cstdint>
#include <string>

#include "base/text.h"
#include "net/async_socket.h"

namespace vd {

struct RequestRecord {
    uint8_t transport = 0;  // 1 UDP datagram, 0 TCP stream
    std::string targetIp;       // "" means broadcast
    std::string targetMac;      // the MAC text that names a family B device
    uint32_t port = 0;      // 0: the family's own port; a command's: the host's
    std::string param;          // a command's parameter

    net::SocketType SocketType() const { return transport ? net::SocketType::Datagram : net::SocketType::Stream; }
};

}  // namespace vd

#endif
