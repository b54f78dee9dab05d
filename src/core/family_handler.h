// FamilyHandler: the interface every device family's handler implements. The
// registry offers each operation to the handlers in registration order,
// passing the request along; a handler takes part when its transport test
// and then its type test accept. The registry reaches a handler only through
// these calls: what a handler keeps between them is its own.
#ifndef VANDREL_CORE_FAMILY_HANDLER_H
#define VANDREL_CORE_FAMILY_HANDLER_H

#include <cstdint>
#include <list>
#include <memory>
#include <string>

#include "base/sleep.h"
#include "codec/codec.h"
#include "core/request_record.h"
#include "net/client_socket.h"

namespace vd {

// The search results a handler holds until the host takes them: a crowd of
// 65,536 devices, the most a test runs, fits whole, and a hostile device
// that answers with endless distinct MACs fills no more (some 20 MB). A
// result beyond it is dropped until the host takes some.
constexpr size_t kMaxSearchResults = 65536;

// What the answers a handler reads now belong to.
enum class ReplyMode { Search, Info, Write };

// How a write went: whether the device was seen to hold what was staged, and
// when the write's last datagram went out (never, for a write that sent
// nothing).
struct WriteOutcome {
    bool confirmed = true;
    SteadyClock::time_point lastSent;
};

class FamilyHandler {
public:
    FamilyHandler() = default;
    virtual ~FamilyHandler();
    FamilyHandler(const FamilyHandler &) = delete;
    FamilyHandler &operator=(const FamilyHandler &) = delete;

    // true for yes or success.
    virtual bool SearchAll(const RequestRecord &request) = 0;
    virtual bool Search(const RequestRecord &request) = 0;
    virtual bool RequestInfo(const RequestRecord &request) = 0;
    virtual bool IsInfoComplete() = 0;
    virtual bool OnDatagram(const uint8_t *data, int len, const char *from) = 0;
    // After a write that was not confirmed, the information holds the staged
    // pairs that did not take.
    virtual WriteOutcome WriteConfig(const RequestRecord &request) = 0;
    // param: the command's parameter; some commands write a reply into it
    // (room for paramCap bytes).
    virtual bool SendCmd(const RequestRecord &request, int type, const char *cmd, char *param, size_t paramCap) = 0;
    virtual bool IsTypeSupported(int type) = 0;
    virtual bool IsTransportSupported(int transport) = 0;
    // Sends again what of the current information request has not been
    // answered yet, pacing its datagrams no later than until (what does not
    // fit stays unsent); returns the milliseconds it spent pacing them.
    virtual int RepeatRequest(SteadyClock::time_point /*until*/) { return 0; }
    virtual bool IsBlockReplied() { return false; }
    virtual bool RequestBlock(const RequestRecord & /*request*/, int /*block*/) { return false; }
    // The socket the answers to the handler's current request arrive on.
    virtual net::ClientSocket &ReplySocket();
    // Forgets the copies of a device's settings that earlier reads left for
    // its writes: another process wrote to the device since.
    virtual void ForgetCopies() {}

    // Takes the pair named key out of the information (an empty key: the
    // first visible pair, whose name is then written into key). out is
    // emptied first.
    bool TakeValue(std::string &key, std::string &out);
    // Hands out and removes the oldest search result.
    bool TakeSearchResult(DeviceRecord &out);
    // Empties the information read.
    void ClearInfo();
    // Discards what has arrived for requests.
    void DiscardRequestInput() { m_requestSocket.DrainInput(0); }
    // Forgets the staged pairs, and what a write left of them: staging after
    // a reset builds on nothing of a write that did not take.
    void ClearStaged();
    // Stages a change: a key staged again takes its new value in place; a
    // key the family stages in its own way is left to it.
    void Stage(const std::string &key, const std::string &value);

protected:
    virtual bool InterceptModify(const std::string & /*key*/, const std::string & /*value*/) { return false; }
    virtual bool IsHiddenKey(const std::string & /*key*/) { return false; }
    virtual bool FormatValue(const std::string & /*key*/, const std::string & /*value*/, std::string & /*out*/) {
        return false;
    }
    // Adds a search result, unless kMaxSearchResults are held.
    void KeepSearchResult(std::unique_ptr<DeviceRecord> record);
    // Ends a write that was not confirmed: the information holds the staged
    // pairs that did not take, for the host to take until the next read or
    // reset.
    void LeaveNotTaken(const DeviceRecord &pairs);

    // The state the families share: the request being served, what was
    // found, read and staged, and the sockets.
    RequestRecord m_request;
    std::list<std::unique_ptr<DeviceRecord>> m_results;
    DeviceRecord m_info;
    DeviceRecord m_staged;
    ReplyMode m_replyMode = ReplyMode::Search;
    // m_info holds what a write left, not what was read.
    bool m_notTakenLeft = false;
    net::ClientSocket m_requestSocket;
    net::ClientSocket m_searchSocket;
};

}  // namespace vd

#endif
