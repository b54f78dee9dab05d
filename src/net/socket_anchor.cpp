// The socket layer's load and unload: the anchor that fixes the owner thread,
// and the cleanup that closes what sockets closed during unload left open.
#include <mutex>
#include <vector>

#include "net/socket_context_internal.h"

namespace vd::net {

namespace {

// Constant-initialised and freed by Cleanup, so that nothing of it depends on
// the order in which the library's static objects are destroyed.
std::mutex g_leftLock;
std::vector<SocketHandle> *g_leftHandles = nullptr;

}  // namespace

CSocketAnchor::CSocketAnchor() {
    RecordOwnerThread();
    m_socket.Create(0, SOCKET_STREAM, FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE,
                    nullptr);
}

CSocketAnchor::~CSocketAnchor() = default;

void LeaveToCleanup(SocketHandle handle) {
    std::lock_guard<std::mutex> guard(g_leftLock);
    if (!g_leftHandles) g_leftHandles = new std::vector<SocketHandle>;
    g_leftHandles->push_back(handle);
}

// POSIX sockets need no start-up.
void Startup() {}

void Cleanup() {
    std::lock_guard<std::mutex> guard(g_leftLock);
    if (!g_leftHandles) return;
    for (SocketHandle handle : *g_leftHandles) CloseSocket(handle);
    delete g_leftHandles;
    g_leftHandles = nullptr;
}

}  // namespace vd::net
