// Context: the library's state for one host of it: the handler registry with
// the concrete families in it (and the changes staged for their writes), the
// TCP configuration session, the default data channel, the event loop that
// drives the registry's exchanges (net/event_loop.h), and the lock that
// serialises the UDP operations, waits included; a write also holds its
// device's lock against this user's other processes (net/platform.h). The
// exports run on one default context (api/library.h); a second context in
// the same process shares none of this with it, only the socket layer's
// process-wide notification path (net/socket_context.h).
//
// Each UDP operation gives the result its export gives (vandrel.h) and takes
// null texts as empty; the TCP side takes no lock, as the exports have it.
#ifndef VANDREL_CONTEXT_CONTEXT_H
#define VANDREL_CONTEXT_CONTEXT_H

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "at_session/at_session.h"
#include "core/registry.h"
#include "net/client_socket.h"
#include "net/event_loop.h"

namespace vd {

class Context {
public:
    // Registers the standard handlers: family A, then one family B handler
    // per model, in the order of kFamilyBModels (48, 64, 56, 32).
    Context();
    Context(const Context &) = delete;
    Context &operator=(const Context &) = delete;

    // Discovery: the searches are sent and answers are listed; a result is
    // taken in arrival order, false when there is none.
    int32_t SearchAll();
    int32_t Search(const char *addr);
    bool TakeSearchResult(DeviceRecord &out);

    // A device's information by IP (family A types) or by MAC (family B).
    int32_t GetDevInfoByIP(const char *ip, int32_t type);
    int32_t GetDevInfoByMAC(const char *mac, int32_t type);
    // Hands out one pair of what was read: key (room VD_KEY_LEN) names the
    // key wanted, or is empty and gets the next key's name; value (room
    // VD_VALUE_LEN) gets its value. The password is never handed out.
    int32_t GetDevConfig(char *key, char *value);

    // Staging and the writes, which check the device's password first.
    int32_t ResetModifyConfig();
    int32_t SetModifyConfig(const char *key, const char *value);
    int32_t ModifyDevByIP(const char *ip, const char *password, int32_t type);
    int32_t ModifyDevByMAC(const char *mac, const char *password, int32_t type);

    // A device command; param (room VD_PARAM_LEN) carries its parameter and
    // gets its answer.
    int32_t SendCmd(int32_t type, const char *addr, uint32_t port, const char *cmd, char *param,
                    uint8_t transport);

    AtSession &Session() { return m_session; }
    net::ClientSocket &Channel() { return m_channel; }

    // At unload: every handler goes, with its sockets.
    void DropHandlers();

private:
    using Guard = std::lock_guard<std::recursive_mutex>;

    // Declared first, so that it outlives every part it guards.
    std::recursive_mutex m_lock;
    // Drives the registry's exchanges; declared before the registry, which
    // holds it.
    net::EventLoop m_loop;
    HandlerRegistry m_registry{m_loop};
    AtSession m_session;
    net::ClientSocket m_channel;
    // For each family B type, the device whose copies its handler holds (by
    // the name of its lock) and how many writes that device's lock counted
    // when they were read: a write after another process's reads them anew.
    std::map<int32_t, std::pair<std::string, uint64_t>> m_readAt;
};

}  // namespace vd

#endif
