// FamilyHandler: the interface every device-type handler implements. The registry
// offers each operation to the handlers in registration order; a handler
// takes part when its transport test and then its type test accept.
#ifndef VANDREL_CORE_FAMILY_HANDLER_H
#define VANDREL_CORE_FAMILY_HANDLER_H

#include <chrono>
#include <cstdint>
#include <list>
#include <memory>
#include <string>

#include "base/text.h"
#include "codec/codec.h"
#include "core/request_record.h"
#include "net/client_socket.h"

namespace vd {

constexpr int kMaxImages = 5;

// The image files of the current firmware download.
struct ImageTable {
    std::string paths[kMaxImages];
    std::string names[kMaxImages];
    uint32_t count = 0;
    uint32_t addresses[kMaxImages] = {};
    uint32_t sizes[kMaxImages] = {};
};

class FamilyHandler {
public:
    FamilyHandler() = default;
    virtual ~FamilyHandler();
    FamilyHandler(const FamilyHandler &) = delete;
    FamilyHandler &operator=(const FamilyHandler &) = delete;

    // Results are non-zero for yes or success, 0 for no or failure.
    virtual int SearchAll() = 0;
    virtual int Search() = 0;
    virtual int RequestInfo() = 0;
    virtual int IsInfoComplete() = 0;
    virtual int OnDatagram(const uint8_t *data, int len, const char *from) = 0;
    virtual int WriteConfig() = 0;
    // param: the command's parameter; some commands write a reply into it
    // (room for paramCap bytes).
    virtual int SendCmd(int type, const char *cmd, char *param, size_t paramCap) = 0;
    virtual int IsTypeSupported(int type) = 0;
    virtual int IsTransportSupported(int transport) = 0;
    // Sends again what of the current information request has not been
    // answered yet; returns the milliseconds it spent pacing its datagrams.
    virtual int RepeatRequest() { return 0; }
    virtual int IsBlockReplied() { return 0; }
    virtual int RequestBlock(int /*block*/) { return 0; }
    virtual int InterceptModify(const std::string & /*key*/, const std::string & /*value*/) { return 0; }
    virtual int IsHiddenKey(const std::string & /*key*/) { return 0; }
    virtual int FormatValue(const std::string & /*key*/, const std::string & /*value*/, std::string & /*out*/) {
        return 0;
    }
    // Takes the pair named key out of m_info (an empty key: the first visible
    // pair, whose name is then written into key). out is emptied first.
    virtual int TakeValue(std::string &key, std::string &out);
    // Hands out and removes the oldest search result.
    virtual int TakeSearchResult(DeviceRecord &out);

    // State the registry and the families share.
    std::list<std::unique_ptr<DeviceRecord>> m_results;
    DeviceRecord m_info;
    int32_t m_replyMode = 0;  // 0 discovery, 1 information, 2 write
    DeviceRecord m_staged;
    // Set by the registry before each request operation.
    RequestRecord m_request;
    net::ClientSocket m_requestSocket;
    net::ClientSocket m_searchSocket;
    ImageTable m_imageTable;
    // Set by WriteConfig: whether the device was seen to hold what was
    // staged, and when the write's last datagram went out. After a write that
    // was not confirmed, m_info holds the staged pairs that did not take.
    bool m_writeConfirmed = true;
    std::chrono::steady_clock::time_point m_lastWrite;
};

}  // namespace vd

#endif
