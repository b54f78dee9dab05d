// HandlerExchange: the registry's handlers as the receivers of an exchange
// (net/exchange.h): a datagram that arrives on handler i's reply socket goes
// to handler i, as each handler matches its answers (by source address, by
// MAC and block). On its own it is the collection of search answers: it ends
// as soon as it starts, so the loop hands it what is queued, once.
#ifndef VANDREL_CORE_HANDLER_EXCHANGE_H
#define VANDREL_CORE_HANDLER_EXCHANGE_H

#include <memory>
#include <vector>

#include "core/family_handler.h"
#include "net/exchange.h"

namespace vd {

class HandlerExchange : public net::Exchange {
public:
    explicit HandlerExchange(const std::vector<std::unique_ptr<FamilyHandler>> &handlers)
        : m_handlers(handlers) {}

    std::vector<net::ClientSocket *> Sockets() override;
    void OnDatagram(size_t socket, const uint8_t *bytes, int length, const char *from) override;
    void Start(TimePoint) override {}
    void OnTimer(TimePoint) override {}
    TimePoint NextDeadline() const override { return TimePoint::min(); }
    bool IsDone() const override { return true; }

protected:
    const std::vector<std::unique_ptr<FamilyHandler>> &m_handlers;
};

}  // namespace vd

#endif
