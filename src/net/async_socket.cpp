#include "net/async_socket.h"

#include <cstring>

#include "base/text.h"
#include "net/socket_context_internal.h"

namespace vd::net {

namespace {

// A dotted address; "255.255.255.255" does not count, as its value is the
// conversion's failure value.
bool DottedAddress(const char *text, uint32_t &out) {
    out = InetAddrValue(OrEmpty(text));
    return out != kBroadcastAddress;
}

}  // namespace

AsyncSocket::~AsyncSocket() {
    Close();
    if (m_context) ReleaseContext(m_context);
}

bool AsyncSocket::Create(uint32_t localPort, SocketType type, int32_t events, const char *localAddress) {
    if (m_handle != kInvalidSocket) {
        SetLastError(kErrAlreadyHasHandle);
        return false;
    }
    if (!m_context) m_context = AcquireContext();
    const SocketHandle handle = OpenSocket(type == SocketType::Stream);
    if (handle == kInvalidSocket) return false;
    m_handle = handle;
    m_context->Register(*this);
    if ((events != 0 && !AsyncSelect(events)) || !Bind(localPort, localAddress)) {
        const int error = LastError();
        Close();
        SetLastError(error);
        return false;
    }
    return true;
}

bool AsyncSocket::Bind(uint32_t localPort, const char *localAddress) {
    Endpoint local{kAnyAddress, uint16_t(localPort)};
    if (localAddress && !DottedAddress(localAddress, local.address)) {
        SetLastError(kErrInvalidArgument);
        return false;
    }
    return BindSocket(m_handle, local);
}

bool AsyncSocket::AsyncSelect(int32_t events) {
    if (!m_context || m_handle == kInvalidSocket || m_slot < 0) {
        SetLastError(kErrInvalidArgument);
        return false;
    }
    m_events = events;
    return SelectEvents(m_context->Helper(), m_handle, m_slot, events);
}

void AsyncSocket::Close() {
    if (m_context) m_context->Unregister(*this);
    const SocketHandle handle = m_handle.exchange(kInvalidSocket);
    if (handle != kInvalidSocket) {
        if (g_unloading)
            LeaveToCleanup(handle);
        else
            CloseSocket(handle);
    }
    m_knownPending = 0;
}

bool AsyncSocket::Connect(const char *host, uint32_t port) {
    Endpoint remote{0, uint16_t(port)};
    if (DottedAddress(host, remote.address)) return Connect(remote);
    if (!m_context || !m_context->StartLookup(*this, OrEmpty(host), port)) {
        SetLastError(kErrInvalidArgument);
        return false;
    }
    SetLastError(kErrWouldBlock);
    return true;
}

bool AsyncSocket::Connect(const Endpoint &remote) {
    const bool connected = ConnectSocket(m_handle, remote);
    const int32_t slot = m_slot;
    if (m_context && slot >= 0 && (connected || LastError() == kErrWouldBlock)) ConnectStarted(m_context->Helper(), slot);
    return connected;
}

// A stream read notice that finds data known to be queued is dispatched
// without a pending-byte query, and the stand-in announces the next one
// without polling: a fast sender costs one read per notice.
int AsyncSocket::Receive(void *buffer, int length) {
    const int n = ReceiveBytes(m_handle, buffer, length);
    const uint32_t known = m_knownPending;
    const uint32_t left = n > 0 && uint32_t(n) < known ? known - uint32_t(n) : 0;
    m_knownPending = left;
    Consumed(kEventRead, left > 0);
    return n;
}

int AsyncSocket::ReceiveFrom(void *buffer, int length, char *address, uint32_t *port) {
    Endpoint from;
    const int n = ReceiveBytesFrom(m_handle, buffer, length, from);
    m_knownPending = 0;
    Consumed(kEventRead, false);
    if (n < 0) return n;
    if (port) *port = from.port;
    if (address) {
        uint8_t bytes[4];
        std::memcpy(bytes, &from.address, 4);
        CopyText(address, 16, FormatIp(bytes));
    }
    return n;
}

int AsyncSocket::Send(const void *buffer, int length) { return SendBytes(m_handle, buffer, length); }

bool DestinationOf(const char *host, uint32_t port, Endpoint &to) {
    to = {kBroadcastAddress, uint16_t(port)};
    if (host && !DottedAddress(host, to.address) && !ResolveHost(host, to.address)) {
        SetLastError(kErrInvalidArgument);
        return false;
    }
    return true;
}

int AsyncSocket::SendTo(const void *buffer, int length, const Endpoint &to) {
    return SendBytesTo(m_handle, buffer, length, to);
}

void AsyncSocket::Consumed(int32_t events, bool moreQueued) {
    const int32_t slot = m_slot;
    if (m_context && slot >= 0) EventsConsumed(m_context->Helper(), slot, events, moreQueued);
}

bool AsyncSocket::PendingBytes(uint32_t &count) {
    const bool known = QueryPending(m_handle, count);
    m_knownPending = known ? count : 0;
    return known;
}

bool AsyncSocket::SetBroadcast(bool on) { return net::SetBroadcast(m_handle, on); }

void AsyncSocket::OnClose(int32_t) {}
void AsyncSocket::OnConnect(int32_t) {}
void AsyncSocket::OnReceive(int32_t) {}

}  // namespace vd::net
