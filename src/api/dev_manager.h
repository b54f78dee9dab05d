// DeviceManager: the one global object behind the exports, which use its
// parts directly: the handler registry with the concrete families in it, the
// TCP configuration session and the default data channel.
#ifndef VANDREL_API_DEV_MANAGER_H
#define VANDREL_API_DEV_MANAGER_H

#include "at_session/at_session.h"
#include "core/registry.h"
#include "net/client_socket.h"

namespace vd {

struct DeviceManager {
    // Registers the standard handlers: family A, then one family B handler
    // per model, in the order of kFamilyBModels (48, 64, 56, 32).
    DeviceManager();

    HandlerRegistry registry;
    AtSession session;
    net::ClientSocket channel;
};

}  // namespace vd

#endif
