// Windows interfaces: GetAdaptersAddresses lists each adapter under the name
// that users see and type ("Ethernet 2", the friendly name), with its IPv4
// addresses and prefixes. Windows marks no adapter as able to broadcast:
// every kind can but loopback, tunnels and point-to-point links. Each address
// also answers to its text ("192.0.2.7") as a second name.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <iphlpapi.h>

#include <cstring>

#include "base/text.h"
#include "net/platform.h"
#include "net/sockaddr.h"

namespace vd::net {

namespace {

constexpr ULONG kSkip = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;

// The adapters of a family, in a buffer that holds them; false with the last
// error set. ULONGLONG elements keep the records aligned.
bool Adapters(ULONG family, std::vector<ULONGLONG> &buffer, const IP_ADAPTER_ADDRESSES *&first) {
    first = nullptr;
    ULONG size = 16 * 1024;
    // An adapter may come between asking for the size and listing.
    for (int attempt = 0; attempt < 4; ++attempt) {
        buffer.assign(size / sizeof(ULONGLONG) + 1, 0);
        auto *list = reinterpret_cast<IP_ADAPTER_ADDRESSES *>(buffer.data());
        const ULONG result = GetAdaptersAddresses(family, kSkip, nullptr, list, &size);
        if (result == ERROR_BUFFER_OVERFLOW) continue;
        if (result == ERROR_NO_DATA) return true;
        if (result != NO_ERROR) return SetLastError(int(result)), false;
        first = list;
        return true;
    }
    SetLastError(int(ERROR_BUFFER_OVERFLOW));
    return false;
}

// The friendly name in the process's code page, as the command line and
// GetEnvironmentVariableA give names.
std::string Name(const wchar_t *wide) {
    if (!wide) return "";
    const int size = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return "";
    std::string name(size_t(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, -1, &name[0], size, nullptr, nullptr);
    name.resize(size_t(size) - 1);
    return name;
}

bool CanBroadcast(IFTYPE type) {
    return type != IF_TYPE_SOFTWARE_LOOPBACK && type != IF_TYPE_TUNNEL && type != IF_TYPE_PPP;
}

uint32_t Mask(unsigned prefix) { return prefix == 0 ? 0 : htonl(prefix >= 32 ? 0xFFFFFFFFu : ~(0xFFFFFFFFu >> prefix)); }

}  // namespace

bool ListInterfaces(std::vector<NetInterface> &out) {
    out.clear();
    std::vector<ULONGLONG> buffer;
    const IP_ADAPTER_ADDRESSES *first = nullptr;
    if (!Adapters(AF_INET, buffer, first)) return false;
    for (const IP_ADAPTER_ADDRESSES *a = first; a; a = a->Next) {
        if (a->IfIndex == 0) continue;
        for (const IP_ADAPTER_UNICAST_ADDRESS *u = a->FirstUnicastAddress; u; u = u->Next) {
            if (!u->Address.lpSockaddr || u->Address.lpSockaddr->sa_family != AF_INET) continue;
            NetInterface link;
            link.name = Name(a->FriendlyName);
            link.index = a->IfIndex;
            link.address = reinterpret_cast<const sockaddr_in *>(u->Address.lpSockaddr)->sin_addr.s_addr;
            link.up = a->OperStatus == IfOperStatusUp;
            link.canBroadcast = CanBroadcast(a->IfType);
            if (link.canBroadcast) link.subnetBroadcast = link.address | ~Mask(u->OnLinkPrefixLength);
            uint8_t bytes[4];
            std::memcpy(bytes, &link.address, 4);
            link.alias = FormatIp(bytes);
            out.push_back(link);
        }
    }
    return true;
}

bool InterfaceExists(const std::string &name) {
    std::vector<ULONGLONG> buffer;
    const IP_ADAPTER_ADDRESSES *first = nullptr;
    if (!Adapters(AF_UNSPEC, buffer, first)) return false;
    for (const IP_ADAPTER_ADDRESSES *a = first; a; a = a->Next)
        if (Name(a->FriendlyName) == name) return true;
    return false;
}

// Connecting a datagram socket sends nothing but makes the same route lookup
// as a send, and fixes the source address that the send would get.
bool RoutedBroadcastSource(uint32_t &address) {
    const SOCKET probe = socket(AF_INET, SOCK_DGRAM, 0);
    if (probe == INVALID_SOCKET) return false;
    const BOOL on = TRUE;
    const sockaddr_in to = Raw({kBroadcastAddress, 9});
    sockaddr_in local{};
    int size = sizeof local;
    const bool found =
        setsockopt(probe, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char *>(&on), sizeof on) == 0 &&
        connect(probe, Generic(to), sizeof to) == 0 &&
        getsockname(probe, reinterpret_cast<sockaddr *>(&local), &size) == 0;
    const int error = WSAGetLastError();
    closesocket(probe);
    if (!found) SetLastError(error);
    address = local.sin_addr.s_addr;
    return found;
}

}  // namespace vd::net
