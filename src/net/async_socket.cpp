#include "net/async_socket.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cstring>

#include "base/text.h"
#include "net/socket_context_internal.h"

namespace vd::net {

namespace {

// A dotted address in network order; "255.255.255.255" does not count, as
// its value is the conversion's failure value.
bool DottedAddress(const char *text, in_addr &out) {
    out.s_addr = InetAddrValue(OrEmpty(text));
    return out.s_addr != INADDR_NONE;
}

sockaddr_in Address(in_addr host, uint32_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr = host;
    a.sin_port = htons(uint16_t(port));
    return a;
}

}  // namespace

CAsyncSocketEx::CAsyncSocketEx() = default;

CAsyncSocketEx::~CAsyncSocketEx() {
    Close();
    if (m_context) ReleaseContext(m_context);
}

bool CAsyncSocketEx::AcquireContext() {
    if (!m_context) m_context = net::AcquireContext();
    return m_context != nullptr;
}

bool CAsyncSocketEx::Create(uint32_t localPort, int32_t type, int32_t events, const char *localAddress) {
    if (m_handle != kInvalidSocket) {
        SetLastError(kErrAlreadyHasHandle);
        return false;
    }
    if (type != SOCKET_STREAM && type != SOCKET_DGRAM) {
        SetLastError(kErrInvalidArgument);
        return false;
    }
    AcquireContext();
    const SocketHandle handle = OpenSocket(type == SOCKET_STREAM ? SOCK_STREAM : SOCK_DGRAM);
    if (handle == kInvalidSocket) return false;
    m_handle = handle;
    m_context->Register(*this, type == SOCKET_STREAM);
    if ((events != 0 && !AsyncSelect(events)) || !Bind(localPort, localAddress)) {
        const int error = LastError();
        Close();
        SetLastError(error);
        return false;
    }
    return true;
}

bool CAsyncSocketEx::Bind(uint32_t localPort, const char *localAddress) {
    in_addr host{};
    host.s_addr = INADDR_ANY;
    if (localAddress && !DottedAddress(localAddress, host)) {
        SetLastError(kErrInvalidArgument);
        return false;
    }
    return BindSocket(m_handle, Address(host, localPort));
}

bool CAsyncSocketEx::AsyncSelect(int32_t events) {
    if (!m_context || m_handle == kInvalidSocket) {
        SetLastError(kErrInvalidArgument);
        return false;
    }
    if (!SetNonBlocking(m_handle)) return false;
    m_context->Select(*this, events);
    return true;
}

bool CAsyncSocketEx::Accept(CAsyncSocketEx &target) {
    if (target.m_handle != kInvalidSocket) {
        SetLastError(kErrAlreadyHasHandle);
        return false;
    }
    const SocketHandle handle = AcceptSocket(m_handle);
    if (m_context) m_context->Rearm(*this, FD_ACCEPT);
    if (handle == kInvalidSocket) return false;
    target.AcquireContext();
    target.m_handle = handle;
    target.m_context->Register(target, true);
    target.m_context->MarkConnected(target);
    // The accepted socket is announced like the one that accepted it.
    if (m_eventMask != 0) target.AsyncSelect(m_eventMask);
    return true;
}

void CAsyncSocketEx::Close() {
    if (m_context) m_context->Unregister(*this);
    if (m_handle != kInvalidSocket) {
        if (g_unloading)
            LeaveToCleanup(m_handle);
        else
            CloseSocket(m_handle);
        m_handle = kInvalidSocket;
    }
}

bool CAsyncSocketEx::Connect(const char *host, uint32_t port) {
    in_addr address{};
    if (DottedAddress(host, address)) return Connect(Address(address, port));
    if (!m_context) {
        SetLastError(kErrInvalidArgument);
        return false;
    }
    m_context->StartLookup(*this, OrEmpty(host), port);
    SetLastError(kErrWouldBlock);
    return true;
}

bool CAsyncSocketEx::Connect(const sockaddr_in &address) {
    const bool connected = ConnectSocket(m_handle, address) == 0;
    if (m_context && (connected || LastError() == kErrWouldBlock)) m_context->StartConnect(*this);
    return connected;
}

int CAsyncSocketEx::Receive(void *buffer, int length, int flags) {
    const int n = ReceiveBytes(m_handle, buffer, length, flags);
    if (m_context) m_context->Rearm(*this, FD_READ);
    return n;
}

int CAsyncSocketEx::ReceiveFrom(void *buffer, int length, char *address, uint32_t *port, int flags) {
    sockaddr_in from{};
    const int n = ReceiveBytesFrom(m_handle, buffer, length, from, flags);
    if (m_context) m_context->Rearm(*this, FD_READ);
    if (n < 0) return n;
    if (port) *port = ntohs(from.sin_port);
    if (address) {
        uint8_t bytes[4];
        std::memcpy(bytes, &from.sin_addr, 4);
        CopyText(address, 16, FormatIp(bytes));
    }
    return n;
}

int CAsyncSocketEx::Send(const void *buffer, int length, int flags) {
    const int n = SendBytes(m_handle, buffer, length, flags);
    if (n < 0 && LastError() == kErrWouldBlock && m_context) m_context->Rearm(*this, FD_WRITE);
    return n;
}

int CAsyncSocketEx::SendTo(const void *buffer, int length, uint32_t port, const char *host, int flags) {
    in_addr address{};
    if (!host) {
        address.s_addr = INADDR_BROADCAST;
    } else if (!DottedAddress(host, address) && !ResolveHost(host, address)) {
        SetLastError(kErrInvalidArgument);
        return -1;
    }
    return SendTo(buffer, length, Address(address, port), flags);
}

int CAsyncSocketEx::SendTo(const void *buffer, int length, const sockaddr_in &address, int flags) {
    const int n = SendBytesTo(m_handle, buffer, length, address, flags);
    if (n < 0 && LastError() == kErrWouldBlock && m_context) m_context->Rearm(*this, FD_WRITE);
    return n;
}

bool CAsyncSocketEx::PendingBytes(uint32_t &count) { return QueryPending(m_handle, count); }

bool CAsyncSocketEx::SetBroadcast(bool on) {
    return SetSocketOption(m_handle, SOL_SOCKET, SO_BROADCAST, on ? 1 : 0);
}

void CAsyncSocketEx::OnAccept(int32_t) {}
void CAsyncSocketEx::OnClose(int32_t) {}
void CAsyncSocketEx::OnConnect(int32_t) {}
void CAsyncSocketEx::OnReceive(int32_t) {}
void CAsyncSocketEx::OnSend(int32_t) {}

}  // namespace vd::net
