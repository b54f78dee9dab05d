// Windows interfaces as the library lists them: SIO_GET_INTERFACE_LIST,
// each named by its address.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstdlib>

#include "links.h"

namespace vdcli {

namespace {

std::string Text(uint32_t address) {
    in_addr a{};
    a.s_addr = address;
    char text[INET_ADDRSTRLEN] = "";
    return inet_ntop(AF_INET, &a, text, sizeof text) ? text : "";
}

}  // namespace

std::vector<Link> Links() {
    std::vector<Link> links;
    INTERFACE_INFO list[64];
    DWORD bytes = 0;
    const SOCKET probe = socket(AF_INET, SOCK_DGRAM, 0);
    if (probe == INVALID_SOCKET) return links;
    if (WSAIoctl(probe, SIO_GET_INTERFACE_LIST, nullptr, 0, list, sizeof list, &bytes, nullptr, nullptr) == 0) {
        for (DWORD i = 0; i < bytes / sizeof list[0]; ++i) {
            const uint32_t address = list[i].iiAddress.AddressIn.sin_addr.s_addr;
            const bool broadcast = (list[i].iiFlags & IFF_BROADCAST) != 0;
            const std::string name = Text(address);
            links.push_back({name, name, broadcast ? Text(address | ~list[i].iiNetmask.AddressIn.sin_addr.s_addr) : "",
                             (list[i].iiFlags & IFF_UP) != 0, broadcast});
        }
    }
    closesocket(probe);
    return links;
}

// Connecting makes the route lookup and sends nothing.
std::string RoutedSource() {
    const SOCKET probe = socket(AF_INET, SOCK_DGRAM, 0);
    if (probe == INVALID_SOCKET) return "";
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
    closesocket(probe);
    return found ? Text(local.sin_addr.s_addr) : "";
}

bool HasInterface(const std::string &name) {
    for (const Link &l : Links())
        if (l.name == name) return true;
    return false;
}

void SetVariable(const char *name, const std::string &value) { _putenv_s(name, value.c_str()); }

}  // namespace vdcli
