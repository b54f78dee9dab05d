#include "sim_net.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vdsim {

sockaddr_in MakeAddress(const std::string &ip, uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    inet_pton(AF_INET, ip.c_str(), &a.sin_addr);
    return a;
}

std::string AddressText(const sockaddr_in &a) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a.sin_addr, text, sizeof text);
    return text;
}

static int OpenBound(int type, const std::string &addr, uint16_t port) {
    int fd = socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (type == SOCK_DGRAM) setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in a = MakeAddress(addr, port);
    if (bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

int OpenUdp(const std::string &addr, uint16_t port) { return OpenBound(SOCK_DGRAM, addr, port); }

std::string SubnetBroadcastOf(const std::string &ip) {
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0) return "";
    std::string found;
    for (const ifaddrs *i = list; i && found.empty(); i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET || !(i->ifa_flags & IFF_BROADCAST) || !i->ifa_broadaddr)
            continue;
        if (AddressText(*reinterpret_cast<const sockaddr_in *>(i->ifa_addr)) == ip)
            found = AddressText(*reinterpret_cast<const sockaddr_in *>(i->ifa_broadaddr));
    }
    freeifaddrs(list);
    return found;
}

int OpenTcpListener(const std::string &addr, uint16_t port) {
    int fd = OpenBound(SOCK_STREAM, addr, port);
    if (fd >= 0 && listen(fd, 16) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool WaitReadable(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    int r;
    do {
        r = poll(&p, 1, timeoutMs);
    } while (r < 0 && errno == EINTR);
    return r > 0;
}

bool ReceiveDatagram(int fd, Datagram &out, int timeoutMs) {
    if (!WaitReadable(fd, timeoutMs)) return false;
    uint8_t buf[65536];
    socklen_t len = sizeof out.from;
    ssize_t n = recvfrom(fd, buf, sizeof buf, MSG_DONTWAIT, reinterpret_cast<sockaddr *>(&out.from), &len);
    if (n < 0) return false;
    out.bytes.assign(buf, buf + n);
    return true;
}

bool SendDatagram(int fd, const uint8_t *data, size_t len, const sockaddr_in &to) {
    return sendto(fd, data, len, 0, reinterpret_cast<const sockaddr *>(&to), sizeof to) == ssize_t(len);
}

bool SendAll(int fd, const uint8_t *data, size_t len) {
    while (len > 0) {
        ssize_t n = send(fd, data, len, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        len -= size_t(n);
    }
    return true;
}

void SimThread::Start(std::function<void(const std::atomic<bool> &)> body) {
    Stop();
    m_stopping = false;
    m_thread = std::thread([this, body = std::move(body)] { body(m_stopping); });
}

void SimThread::Stop() {
    if (!m_thread.joinable()) return;
    m_stopping = true;
    m_thread.join();
}

bool TcpService::Start(const std::string &addr, uint16_t port,
                       std::function<void(int listener, const std::atomic<bool> &stopping)> serve) {
    Stop();
    m_listener = OpenTcpListener(addr, port);
    if (m_listener < 0) return false;
    const int listener = m_listener;
    m_thread.Start(
        [listener, serve = std::move(serve)](const std::atomic<bool> &stopping) { serve(listener, stopping); });
    return true;
}

void TcpService::Stop() {
    m_thread.Stop();
    if (m_listener >= 0) close(m_listener);
    m_listener = -1;
}

}  // namespace vdsim
