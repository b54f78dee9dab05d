// Windows interfaces, with Windows Sockets alone: SIO_GET_INTERFACE_LIST
// lists every IPv4 address with its flags and netmask. Windows names an
// interface by its address here ("192.0.2.7", as VANDREL_INTERFACES then
// gives it), and a broadcast leaves by one interface when it goes to that
// interface's subnet broadcast address, which only that link routes.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstring>

#include "base/text.h"
#include "net/platform.h"

namespace vd::net {

namespace {

constexpr int kMostInterfaces = 64;

// Every address with its netmask; false with the last error set.
bool Query(INTERFACE_INFO (&list)[kMostInterfaces], int &count) {
    const SOCKET probe = socket(AF_INET, SOCK_DGRAM, 0);
    if (probe == INVALID_SOCKET) return false;
    DWORD bytes = 0;
    const bool listed =
        WSAIoctl(probe, SIO_GET_INTERFACE_LIST, nullptr, 0, list, sizeof list, &bytes, nullptr, nullptr) == 0;
    const int error = WSAGetLastError();
    closesocket(probe);
    if (!listed) return SetLastError(error), false;
    count = int(bytes / sizeof list[0]);
    return true;
}

uint32_t AddressOf(const sockaddr_gen &a) { return a.AddressIn.sin_addr.s_addr; }

}  // namespace

bool ListInterfaces(std::vector<NetInterface> &out) {
    out.clear();
    INTERFACE_INFO list[kMostInterfaces];
    int count = 0;
    if (!Query(list, count)) return false;
    for (int i = 0; i < count; ++i) {
        NetInterface link;
        link.address = AddressOf(list[i].iiAddress);
        uint8_t bytes[4];
        std::memcpy(bytes, &link.address, 4);
        link.name = FormatIp(bytes);
        link.index = uint32_t(i + 1);
        link.up = (list[i].iiFlags & IFF_UP) != 0;
        link.canBroadcast = (list[i].iiFlags & IFF_BROADCAST) != 0;
        out.push_back(link);
    }
    return true;
}

int SendBroadcastVia(SocketHandle handle, const void *buffer, int length, uint16_t port, const NetInterface &via) {
    INTERFACE_INFO list[kMostInterfaces];
    int count = 0;
    if (!Query(list, count)) return -1;
    for (int i = 0; i < count; ++i) {
        if (AddressOf(list[i].iiAddress) != via.address) continue;
        const uint32_t subnet = via.address | ~AddressOf(list[i].iiNetmask);
        return SendBytesTo(handle, buffer, length, {subnet, port});
    }
    SetLastError(kErrNetworkUnreachable);
    return -1;
}

// Connecting a datagram socket sends nothing but makes the same route lookup
// as a send, and fixes the source address that the send would get.
bool RoutedBroadcastSource(uint32_t &address) {
    const SOCKET probe = socket(AF_INET, SOCK_DGRAM, 0);
    if (probe == INVALID_SOCKET) return false;
    const BOOL on = TRUE;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = INADDR_BROADCAST;
    to.sin_port = htons(9);
    sockaddr_in local{};
    int size = sizeof local;
    const bool found =
        setsockopt(probe, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char *>(&on), sizeof on) == 0 &&
        connect(probe, reinterpret_cast<const sockaddr *>(&to), sizeof to) == 0 &&
        getsockname(probe, reinterpret_cast<sockaddr *>(&local), &size) == 0;
    const int error = WSAGetLastError();
    closesocket(probe);
    if (!found) SetLastError(error);
    address = local.sin_addr.s_addr;
    return found;
}

}  // namespace vd::net
