#include "api/library.h"

#include "net/socket_context.h"

namespace vd {

namespace {

// Static construction order within this file is the load order; destruction
// runs in reverse. Beside the default context, only what is the process's
// whatever the contexts: the anchor fixes the thread that every socket's
// notices reach (net/socket_context.h), and the platform's sockets are
// started once for the whole library.
net::SocketAnchor g_anchor;
bool g_socketsStarted = false;
Context g_defaultContext;

}  // namespace

Context &DefaultContext() { return g_defaultContext; }

bool LoadStep() {
    g_socketsStarted = net::StartSockets();
    return g_socketsStarted;
}

void UnloadStep() {
    net::g_unloading = 1;
    g_defaultContext.DropHandlers();
    if (g_socketsStarted) net::StopSockets();
    g_socketsStarted = false;
}

#ifndef _WIN32
namespace {

// Where the system tells a library nothing of its load and unload but by
// building and destroying its static objects, the last of them runs the
// steps: built last and destroyed first. Windows tells vandrel.dll
// (api/win32/dll_main.cpp).
struct LibraryLifetime {
    LibraryLifetime() { LoadStep(); }
    ~LibraryLifetime() { UnloadStep(); }
};
LibraryLifetime g_lifetime;

}  // namespace
#endif

}  // namespace vd
