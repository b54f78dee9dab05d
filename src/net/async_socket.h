// CAsyncSocketEx: one IPv4 socket whose readiness notifications (connect
// finished, readable, writable, peer closed, accept) reach its virtual
// handlers on the thread that loaded the library, when that thread pumps
// (see socket_context.h). Every operation reports failure through its result
// and the thread's last error (net/socket_api.h); nothing throws.
#ifndef VANDREL_NET_ASYNC_SOCKET_H
#define VANDREL_NET_ASYNC_SOCKET_H

#include <cstdint>
#include <string>

#include "net/socket_api.h"

namespace vd::net {

class CSocketContext;

// Event bits, as carried in a notification.
enum : int32_t {
    FD_READ = 1,
    FD_WRITE = 2,
    FD_OOB = 4,
    FD_ACCEPT = 8,
    FD_CONNECT = 16,
    FD_CLOSE = 32,
};

enum SocketType : int32_t { SOCKET_STREAM = 1, SOCKET_DGRAM = 2 };

class CAsyncSocketEx {
public:
    CAsyncSocketEx();
    virtual ~CAsyncSocketEx();
    CAsyncSocketEx(const CAsyncSocketEx &) = delete;
    CAsyncSocketEx &operator=(const CAsyncSocketEx &) = delete;

    bool Create(uint32_t localPort, int32_t type, int32_t events, const char *localAddress);
    bool Bind(uint32_t localPort, const char *localAddress);
    bool AsyncSelect(int32_t events);
    virtual bool Accept(CAsyncSocketEx &target);
    virtual void Close();
    // Dotted host: non-blocking connect (false with kWouldBlock while it runs).
    // Other text: starts a host-name lookup, sets kWouldBlock, returns true.
    virtual bool Connect(const char *host, uint32_t port);
    virtual bool Connect(const sockaddr_in &address);
    virtual int Receive(void *buffer, int length, int flags = 0);
    // Writes the sender's dotted address (room for 16 bytes) and port.
    virtual int ReceiveFrom(void *buffer, int length, char *address, uint32_t *port, int flags = 0);
    virtual int Send(const void *buffer, int length, int flags = 0);
    // host null: the broadcast address 255.255.255.255.
    virtual int SendTo(const void *buffer, int length, uint32_t port, const char *host, int flags = 0);
    virtual int SendTo(const void *buffer, int length, const sockaddr_in &address, int flags = 0);

    // Pending-byte query (the only ioctl the library uses).
    bool PendingBytes(uint32_t &count);
    bool SetBroadcast(bool on);

    SocketHandle GetHandle() const { return m_handle; }
    int32_t GetSlot() const { return m_slot; }
    int32_t GetEventMask() const { return m_eventMask; }

    // Called when notifications are dispatched; error 0 means success.
    virtual void OnAccept(int32_t error);
    virtual void OnClose(int32_t error);
    virtual void OnConnect(int32_t error);
    virtual void OnReceive(int32_t error);
    virtual void OnSend(int32_t error);

private:
    friend class CSocketContext;

    SocketHandle m_handle = kInvalidSocket;
    int32_t m_slot = -1;
    int32_t m_eventMask = 0;
    uint32_t m_lookupRequest = 0;  // running host-name lookup; 0 when none
    uint32_t m_lookupPort = 0;
    std::string m_lookupHost;  // the name being looked up
    CSocketContext *m_context = nullptr;

    bool AcquireContext();
};

}  // namespace vd::net

#endif
