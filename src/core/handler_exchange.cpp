#include "core/handler_exchange.h"

namespace vd {

std::vector<net::ClientSocket *> HandlerExchange::Sockets() {
    std::vector<net::ClientSocket *> sockets;
    for (auto &h : m_handlers) sockets.push_back(&h->ReplySocket());
    return sockets;
}

void HandlerExchange::OnDatagram(size_t socket, const uint8_t *bytes, int length, const char *from) {
    if (socket < m_handlers.size()) m_handlers[socket]->OnDatagram(bytes, length, from);
}

}  // namespace vd
