// AsyncSocket: one IPv4 socket whose notifications (connect finished,
// readable, peer closed) reach its virtual handlers on the thread that loaded
// the library, when that thread dispatches its messages (socket_context.h).
// Every operation reports failure through its result and the thread's last
// error (net/platform.h); nothing throws.
#ifndef VANDREL_NET_ASYNC_SOCKET_H
#define VANDREL_NET_ASYNC_SOCKET_H

#include <atomic>
#include <cstdint>

#include "net/platform.h"

namespace vd::net {

// A socket carries either a TCP stream or UDP datagrams.
enum class SocketType { Stream, Datagram };

// Where a datagram for host:port goes: host null means the broadcast
// address, a dotted address is taken as it is, a name is looked up
// (blocking). False with kErrInvalidArgument when the name is not found.
bool DestinationOf(const char *host, uint32_t port, Endpoint &to);

class AsyncSocket {
public:
    AsyncSocket() = default;
    virtual ~AsyncSocket();
    AsyncSocket(const AsyncSocket &) = delete;
    AsyncSocket &operator=(const AsyncSocket &) = delete;

    // localAddress: dotted text, or null for any.
    bool Create(uint32_t localPort, SocketType type, int32_t events, const char *localAddress);
    bool Bind(uint32_t localPort, const char *localAddress);
    // Selecting again announces what already holds (data queued) anew.
    bool AsyncSelect(int32_t events);
    virtual void Close();
    // Dotted host: non-blocking connect (false with kErrWouldBlock while it
    // runs). Other text: starts a host-name lookup, whose end connects;
    // sets kErrWouldBlock and returns true.
    virtual bool Connect(const char *host, uint32_t port);
    virtual bool Connect(const Endpoint &remote);
    virtual int Receive(void *buffer, int length);
    // Writes the sender's dotted address (room for 16 bytes) and port when
    // they are not null.
    virtual int ReceiveFrom(void *buffer, int length, char *address, uint32_t *port);
    virtual int Send(const void *buffer, int length);
    virtual int SendTo(const void *buffer, int length, const Endpoint &to);

    bool PendingBytes(uint32_t &count);
    // Bytes known to be queued without asking the platform: what the last
    // pending-byte query found, less what has been read since (more may
    // have arrived).
    uint32_t KnownPending() const { return m_knownPending; }
    bool SetBroadcast(bool on);

    SocketHandle GetHandle() const { return m_handle; }
    int32_t GetSlot() const { return m_slot; }
    int32_t GetEvents() const { return m_events; }

    // Called when notifications are dispatched; error 0 means success.
    virtual void OnClose(int32_t error);
    virtual void OnConnect(int32_t error);
    virtual void OnReceive(int32_t error);

private:
    friend class SocketContext;

    // Tells the helper window that a call consumed events (moreQueued: data
    // is known to be still queued).
    void Consumed(int32_t events, bool moreQueued);

    // A host may close a channel on its thread while the loading thread
    // dispatches the peer's close, which closes it too: whoever takes the
    // handle first closes it, once. The slot is read by the host's reads
    // while that close frees it.
    std::atomic<SocketHandle> m_handle{kInvalidSocket};
    std::atomic<int32_t> m_slot{-1};
    int32_t m_events = 0;  // the events last selected
    // Written by reads on the caller's thread and by the dispatching thread.
    std::atomic<uint32_t> m_knownPending{0};
    uintptr_t m_lookupRequest = 0;  // the running host-name lookup; 0 when none
    uint32_t m_lookupPort = 0;
    SocketContext *m_context = nullptr;
};

}  // namespace vd::net

#endif
