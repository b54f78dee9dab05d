#include "sim_safety.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/ethtool.h>
#include <linux/sockios.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace vdsim {

namespace {

// The inode number the kernel gives the namespace it starts with.
constexpr ino_t kInitialNamespace = 0xEFFFFFF9u;

std::string Driver(const char *name) {
    const int probe = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0) return "";
    ethtool_drvinfo info{};
    info.cmd = ETHTOOL_GDRVINFO;
    ifreq request{};
    std::strncpy(request.ifr_name, name, IFNAMSIZ - 1);
    request.ifr_data = reinterpret_cast<char *>(&info);
    const bool known = ioctl(probe, SIOCETHTOOL, &request) == 0;
    close(probe);
    return known ? std::string(info.driver, strnlen(info.driver, sizeof info.driver)) : "";
}

}  // namespace

bool IsLabAddress(const std::string &address) {
    in_addr a{};
    return inet_pton(AF_INET, address.c_str(), &a) == 1 && (ntohl(a.s_addr) >> 17) == (0xC6120000u >> 17);
}

bool InPrivateNetwork(std::string &why) {
    struct stat own {};
    if (stat("/proc/self/ns/net", &own) != 0 || own.st_ino == kInitialNamespace) {
        why = "this is the machine's own network namespace";
        return false;
    }
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0) {
        why = "the network interfaces cannot be listed";
        return false;
    }
    why.clear();
    for (const ifaddrs *i = list; i && why.empty(); i = i->ifa_next) {
        if (!i->ifa_name || std::strcmp(i->ifa_name, "lo") == 0) continue;
        if (Driver(i->ifa_name) != "veth") {
            why = std::string("interface ") + i->ifa_name + " is not a veth link";
        } else if (i->ifa_addr && i->ifa_addr->sa_family == AF_INET) {
            char text[INET_ADDRSTRLEN] = "";
            inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in *>(i->ifa_addr)->sin_addr, text, sizeof text);
            if (!IsLabAddress(text)) why = std::string("interface ") + i->ifa_name + " has " + text + ", outside 198.18.0.0/15";
        }
    }
    freeifaddrs(list);
    return why.empty();
}

}  // namespace vdsim
