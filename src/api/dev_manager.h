// DeviceManager: the one global object behind the exports. It owns the handler
// registry with the concrete families in it, the TCP configuration session
// and the default data channel.
#ifndef VANDREL_API_DEV_MANAGER_H
#define VANDREL_API_DEV_MANAGER_H

#include "at_session/at_session.h"
#include "core/registry.h"
#include "net/client_socket.h"

namespace vd {

class DeviceManager {
public:
    // Registers the standard handlers: family A, then one family B handler
    // per model, in the order of kFamilyBModels (48, 64, 56, 32).
    DeviceManager();
    virtual ~DeviceManager() = default;

    HandlerRegistry m_registry;
    AtSession m_session;
    net::ClientSocket m_channel;
};

}  // namespace vd

#endif
