#include "sim_broadcast_hub.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace vdsim {

namespace {
constexpr size_t kMacAt = 4;
// Every device of a fleet may be asked at once: room for a request to each
// of thousands (each takes about a kilobyte of the system's count).
constexpr int kReceiveBytes = 8 << 20;
}  // namespace

BroadcastHub::~BroadcastHub() {
    m_stop = true;
    Raise();
    m_thread.Stop();
    for (const auto &socket : m_sockets) close(socket.second);
    if (m_wake >= 0) close(m_wake);
}

void BroadcastHub::Raise() {
    const uint64_t one = 1;
    if (m_wake >= 0) (void)!write(m_wake, &one, sizeof one);
}

bool BroadcastHub::Listen(const std::string &address) {
    if (address.empty() || m_sockets.count(address)) return true;
    const int fd = OpenUdp(address, m_port);
    if (fd < 0) return false;
    // Past the system's cap where the simulator may (it runs as root in its
    // namespace); else as far as the cap goes.
    if (setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &kReceiveBytes, sizeof kReceiveBytes) != 0)
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &kReceiveBytes, sizeof kReceiveBytes);
    m_sockets[address] = fd;
    return true;
}

bool BroadcastHub::Join(const Mac &mac, const std::string &ip, Handler handler) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_wake < 0 && (m_wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) < 0) return false;
    if (!Listen("255.255.255.255") || !Listen(SubnetBroadcastOf(ip))) return false;
    m_devices.emplace(mac, std::move(handler));
    Raise();
    if (!m_thread.Running()) m_thread.Start([this](const std::atomic<bool> &stopping) { Serve(stopping); });
    return true;
}

void BroadcastHub::Leave(const Mac &mac) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_devices.erase(mac);
}

void BroadcastHub::Serve(const std::atomic<bool> &stopping) {
    std::vector<pollfd> fds;
    while (!stopping && !m_stop) {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            fds.assign(1, {m_wake, POLLIN, 0});
            for (const auto &socket : m_sockets) fds.push_back({socket.second, POLLIN, 0});
        }
        if (poll(fds.data(), fds.size(), -1) <= 0) continue;
        uint64_t count;
        if (fds[0].revents & POLLIN) (void)!read(m_wake, &count, sizeof count);
        for (size_t i = 1; i < fds.size(); ++i) {
            Datagram d;
            if ((fds[i].revents & POLLIN) && ReceiveDatagram(fds[i].fd, d, 0)) Deliver(d);
        }
    }
}

void BroadcastHub::Deliver(const Datagram &d) {
    if (d.bytes.size() < kMacAt + 6) return;
    Mac mac;
    std::copy_n(d.bytes.begin() + long(kMacAt), 6, mac.begin());
    std::lock_guard<std::mutex> lock(m_lock);
    const auto range = m_devices.equal_range(mac);
    for (auto it = range.first; it != range.second; ++it) it->second(d);
}

}  // namespace vdsim
