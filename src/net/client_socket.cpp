#include "net/client_socket.h"

#include "base/sleep.h"
#include "net/broadcast_send.h"
#include "net/socket_context.h"

namespace vd::net {

namespace {

constexpr int kStepMs = 10;
constexpr int kConnectCycles = 300;
// A device accepts a connection within milliseconds, but the system sends a
// lost connection request again only after 1 s and then 3 s, so one lost
// twice outlasts the wait: a connection not made after 500 ms is started
// afresh, six tries within the same wait.
constexpr int kReconnectCycles = 50;
constexpr int kNoticeBytes = 1023;
constexpr int kDrainBytes = 1024;
// Where the process may pass the system's cap: room for the answers of
// some 40,000 devices (each takes about 830 bytes of the system's count)
// that arrive while the host is not reading.
constexpr int kCrowdReceiveBytes = 16 << 20;

}  // namespace

ClientSocket::~ClientSocket() = default;

bool ClientSocket::Open(SocketType type, const char *host, uint32_t port) {
    m_type = type;
    const bool datagram = IsDatagram();
    if (!datagram) {
        if (m_connected) return true;
        Close();
    }
    const bool fresh = GetHandle() == kInvalidSocket;
    const bool result = !fresh || Create(0, type, kEventRead | kEventConnect | kEventClose, nullptr);
    if (datagram && fresh && result) WidenReceiveBuffer(GetHandle(), kCrowdReceiveBytes);
    if (datagram) SetBroadcast(true);
    m_host = OrEmpty(host);
    m_port = port;
    if (datagram) return result;
    if (!WaitConnected()) {
        Disconnect();
        return false;
    }
    return result;
}

bool ClientSocket::WaitConnected() {
    if (m_connected) return true;
    Connect(m_host.c_str(), m_port);
    for (int cycle = 0; cycle < kConnectCycles; ++cycle) {
        if (m_connected) return true;
        if (cycle > 0 && cycle % kReconnectCycles == 0) {
            Close();
            if (!Create(0, m_type, kEventRead | kEventConnect | kEventClose, nullptr)) return false;
            Connect(m_host.c_str(), m_port);
        }
        Sleep(kStepMs);
        PumpSocketNotifications();
    }
    return false;
}

// The pending count of a datagram socket is the size of the first datagram
// queued, so an empty datagram reads as "nothing queued" and would hide every
// datagram behind it for good: empty datagrams are read and dropped here. The
// socket is polled before the count is taken: a datagram arriving between the
// two must not pass for an empty one.
bool ClientSocket::QueuedBytes(uint32_t &count) {
    for (;;) {
        const bool input = IsDatagram() && HasInput(GetHandle());
        if (!PendingBytes(count)) return false;
        if (!input || count > 0) return true;
        char none;
        if (ReceiveFrom(&none, 0, nullptr, nullptr) < 0) return false;
    }
}

int ClientSocket::ReceiveTimed(void *buffer, int capacity, char *from, int timeoutMs) {
    int result = 0;
    for (int elapsed = 0;;) {
        uint32_t pending = 0;
        if (QueuedBytes(pending)) result = int(pending);
        if (result > 0) {
            if (IsDatagram()) {
                char sender[16] = "";
                result = ReceiveFrom(buffer, capacity, sender, nullptr);
                if (from) CopyText(from, 16, sender);
            } else {
                result = Receive(buffer, capacity);
            }
            if (result != 0) break;
        }
        elapsed += kStepMs;
        if (timeoutMs > 0) Sleep(kStepMs);
        if (elapsed >= timeoutMs) break;
    }
    return result;
}

int ClientSocket::SendData(const void *buffer, int length) {
    if (IsDatagram()) {
        Endpoint to;
        if (!DestinationOf(m_host.empty() ? nullptr : m_host.c_str(), m_port, to)) return -1;
        if (to.address == kBroadcastAddress) return SendBroadcast(GetHandle(), buffer, length, to.port);
        return SendTo(buffer, length, to);
    }
    if (length == 0) return 0;
    const auto *bytes = static_cast<const uint8_t *>(buffer);
    int sent = 0;
    while (sent < length) {
        const int n = Send(bytes + sent, length - sent);
        if (n > 0) {
            sent += n;
            continue;
        }
        if (LastError() == kErrWouldBlock) return 0;
        Disconnect();
        return -1;
    }
    return sent;
}

void ClientSocket::Disconnect() {
    m_connected = false;
    Close();
}

void ClientSocket::DiscardQueued() {
    uint8_t discard[kDrainBytes];
    uint32_t pending = 0;
    while (QueuedBytes(pending) && pending > 0) {
        if (Receive(discard, sizeof discard) <= 0) break;
    }
}

void ClientSocket::DrainInput(int ms) {
    for (int remaining = ms;;) {
        DiscardQueued();
        Sleep(kStepMs);
        remaining -= kStepMs;
        if (remaining <= 0) return;
    }
}

// A read announced while no receiver was set found nobody to take the data;
// it stays queued and is not announced again by itself. Setting a receiver
// is the host saying it is ready, so the events are selected anew, which
// announces the queued data to it.
void ClientSocket::SetReceiver(WindowHandle window, uint32_t message) {
    m_receiverMessage = message;
    m_receiver = window;
    if (window && GetHandle() != kInvalidSocket && (GetEvents() & kEventRead)) AsyncSelect(GetEvents());
}

void ClientSocket::OnConnect(int32_t error) {
    if (error == 0) m_connected = true;
}

void ClientSocket::OnClose(int32_t) {
    m_connected = false;
    Close();
}

void ClientSocket::OnReceive(int32_t error) {
    const WindowHandle receiver = m_receiver;
    const uint32_t message = m_receiverMessage;
    if (error != 0 || !receiver) return;
    char bytes[kNoticeBytes + 1];
    const int n = Receive(bytes, kNoticeBytes);
    // A failed read tells the host nothing.
    if (n <= 0) return;
    bytes[n] = '\0';
    SendWindowMessage(receiver, message, uintptr_t(bytes), intptr_t(n));
}

}  // namespace vd::net
