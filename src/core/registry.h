// HandlerRegistry: the ordered list of device-type handlers and the fan-out
// of every UDP operation over them. Each operation builds one request record
// and offers it to the handlers in registration order; a handler takes part
// when its transport test and then its type test accept. Three shapes of
// operation: broadcast (every handler that takes part, result 1), first
// answer wins (stops at the first handler that answers, 0 when none), and
// request-and-wait (a read: an exchange, core/reply_wait.h, that the
// context's event loop drives on the caller's thread).
#ifndef VANDREL_CORE_REGISTRY_H
#define VANDREL_CORE_REGISTRY_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/family_handler.h"
#include "net/event_loop.h"

namespace vd {

class HandlerRegistry {
public:
    explicit HandlerRegistry(net::EventLoop &loop) : m_loop(loop) {}
    virtual ~HandlerRegistry();
    HandlerRegistry(const HandlerRegistry &) = delete;
    HandlerRegistry &operator=(const HandlerRegistry &) = delete;

    void Add(std::unique_ptr<FamilyHandler> handler);
    void Clear();

    // Discovery. A search is sent by every handler that takes part; true.
    bool SearchAll();
    bool Search(const char *addr);
    // Takes what answers are queued, then hands out the oldest result.
    bool GetSearchDev(DeviceRecord &out);

    // Information, staging, writes and commands; true for success.
    bool GetDevInfoByIP(const char *ip, uint8_t transport, uint8_t type);
    bool GetDevInfoByMAC(const char *mac, uint8_t transport, uint8_t type);
    bool GetPasswordByMAC(const char *mac, std::string &out, uint8_t type);
    bool TakeValue(std::string &key, std::string &out);
    void ResetModifyConfig();
    // The handlers of type forget the copies their reads left for writes.
    void ForgetCopies(uint8_t type);
    void SetModifyConfig(const char *key, const char *value);
    bool ModifyDevByIP(const char *ip, uint8_t transport, uint8_t type);
    bool ModifyDevByMAC(const char *mac, uint8_t transport, uint8_t type);
    bool SendCmd(uint8_t type, const char *addr, uint32_t port, const char *cmd, char *param,
                 size_t paramCap, uint8_t transport);

private:
    // For Offer: the request is offered whatever the type.
    static constexpr int kAnyType = -1;

    static bool Accepts(FamilyHandler &h, uint8_t transport, uint8_t type);
    // The one fan-out: visits the handlers in registration order (their count
    // taken once); a handler that accepts request.transport and then, unless
    // type is kAnyType, the type is called: call(h), which passes the request.
    // A call that returns bool is an answer: the first true ends the fan-out
    // with true. A call that returns nothing reaches every such handler.
    template <typename Call>
    bool Offer(const RequestRecord &request, int type, Call call);
    // The one wait (core/reply_wait.h): send sends the request; true as
    // soon as done(h) says a handler holds the answer, false after polls x
    // 10 ms. The handlers that took the request (request, type) send again
    // what has not been answered.
    bool WaitFor(int polls, std::function<void()> send, std::function<bool(FamilyHandler &)> done,
                 const RequestRecord &request, int type);
    // Empties every handler's information and input, sends the request and
    // waits for a handler that took part to report its information complete.
    bool RequestInfo(const RequestRecord &request, uint8_t type, int polls);
    // true when every handler that wrote saw the device take what was staged
    // (the pairs that did not take are left to hand out when some did not).
    bool Write(const RequestRecord &request, uint8_t type);

    net::EventLoop &m_loop;
    std::vector<std::unique_ptr<FamilyHandler>> m_handlers;
};

}  // namespace vd

#endif
