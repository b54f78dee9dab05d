// A broadcast leaves by one interface, from its address. Windows takes the
// interface and the source from an IN_PKTINFO record sent with WSASendMsg;
// Wine (8.0) ignores that record and follows the routing table, but honours
// the socket's IP_UNICAST_IF, broadcasts included. So the record goes with
// the send and the socket is pinned to the interface for it alone. The
// exports that send datagrams hold one lock, so no other send on the socket
// falls in between.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
// WSACMSGHDR and its macros, which mingw-w64 keeps here.
#include <mswsock.h>

#include <cstring>

#include "net/platform.h"
#include "net/sockaddr.h"

namespace vd::net {

namespace {

// IP_UNICAST_IF takes an interface index in network order; 0 unpins.
bool Pin(SOCKET s, uint32_t index) {
    const DWORD value = htonl(index);
    return setsockopt(s, IPPROTO_IP, IP_UNICAST_IF, reinterpret_cast<const char *>(&value), sizeof value) == 0;
}

}  // namespace

int SendBroadcastVia(SocketHandle handle, const void *buffer, int length, uint16_t port, const NetInterface &via) {
    if (length < 0) return SetLastError(kErrInvalidArgument), -1;
    const SOCKET s = SOCKET(handle);
    // Unpinned, the datagram would leave by the routed interface, which may
    // be one that was not asked for.
    if (!Pin(s, via.index)) return -1;
    sockaddr_in to = Raw({kBroadcastAddress, port});
    IN_PKTINFO info{};
    info.ipi_addr.s_addr = via.address;
    info.ipi_ifindex = via.index;
    alignas(WSACMSGHDR) char control[WSA_CMSG_SPACE(sizeof info)] = {};
    WSABUF data{ULONG(length), static_cast<char *>(const_cast<void *>(buffer))};
    WSAMSG message{};
    message.name = reinterpret_cast<sockaddr *>(&to);
    message.namelen = sizeof to;
    message.lpBuffers = &data;
    message.dwBufferCount = 1;
    message.Control.buf = control;
    message.Control.len = sizeof control;
    WSACMSGHDR *header = WSA_CMSG_FIRSTHDR(&message);
    header->cmsg_level = IPPROTO_IP;
    header->cmsg_type = IP_PKTINFO;
    header->cmsg_len = WSA_CMSG_LEN(sizeof info);
    std::memcpy(WSA_CMSG_DATA(header), &info, sizeof info);
    DWORD sent = 0;
    const bool ok = WSASendMsg(s, &message, 0, &sent, nullptr, nullptr) == 0;
    const int error = WSAGetLastError();
    Pin(s, 0);
    if (!ok) return SetLastError(error), -1;
    return int(sent);
}

}  // namespace vd::net
