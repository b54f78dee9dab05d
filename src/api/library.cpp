#include "api/library.h"

#include "net/socket_context.h"

namespace vd {

namespace {

// Static construction order within this file is the load order; destruction
// runs in reverse.
struct SocketLayerLifetime {
    ~SocketLayerLifetime() { net::Cleanup(); }
};
SocketLayerLifetime g_socketLayer;
net::CSocketAnchor g_anchor;

}  // namespace

CDevManager g_manager;
std::recursive_mutex g_lock;

namespace {

// Built last and destroyed first: the load step, and the unload step that
// must run before the manager is destroyed.
struct LibraryLifetime {
    LibraryLifetime() { net::Startup(); }
    ~LibraryLifetime() {
        net::g_unloading = 1;
        g_manager.m_registry.Clear();
    }
};
LibraryLifetime g_lifetime;

}  // namespace
}  // namespace vd
