#include "sim_hostile_peer.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace vdsim {

namespace {

constexpr uint16_t kItemPort = 8800, kBlockPort = 8801;
constexpr size_t kReadRequest = 17, kWriteRequest = 274;
constexpr uint8_t kMarker[] = {0x00, 0x02, 0x00, 0x02};

bool SameSocket(const sockaddr_in &a, const sockaddr_in &b) {
    return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

}  // namespace

HostilePeer::HostilePeer(std::string ip) : HostilePeer(std::move(ip), Settings()) {}

HostilePeer::HostilePeer(std::string ip, const Settings &settings)
    : m_ip(std::move(ip)), m_settings(settings), m_garbage(settings.seed) {}

HostilePeer::~HostilePeer() { Stop(); }

bool HostilePeer::Start() {
    Stop();
    m_fds[0] = OpenUdp(m_ip, kItemPort);
    m_fds[1] = OpenUdp(m_ip, kBlockPort);
    m_fds[2] = OpenUdp("255.255.255.255", kItemPort);
    m_fds[3] = OpenUdp("255.255.255.255", kBlockPort);
    if (std::any_of(std::begin(m_fds), std::end(m_fds), [](int fd) { return fd < 0; })) {
        Stop();
        return false;
    }
    m_sent = 0;
    m_thread.Start([this](const std::atomic<bool> &stopping) { Serve(stopping); });
    return true;
}

void HostilePeer::Stop() {
    m_thread.Stop();
    for (int &fd : m_fds) {
        if (fd >= 0) close(fd);
        fd = -1;
    }
}

std::vector<Mac> HostilePeer::Macs() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_macs;
}

bool HostilePeer::WaitForTargets(size_t count, int timeoutMs) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_learned.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_targets.size() >= count; });
}

void HostilePeer::Serve(const std::atomic<bool> &stopping) {
    while (!stopping) {
        bool idle;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            idle = m_targets.empty();
        }
        Listen(idle ? 20 : 0);
        if (idle) continue;
        Flood();
        if (m_settings.pauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(m_settings.pauseMs));
    }
}

void HostilePeer::Listen(int timeoutMs) {
    pollfd fds[4];
    for (int i = 0; i < 4; ++i) fds[i] = {m_fds[i], POLLIN, 0};
    if (poll(fds, 4, timeoutMs) <= 0) return;
    for (int i = 0; i < 4; ++i) {
        Datagram d;
        while ((fds[i].revents & POLLIN) && ReceiveDatagram(fds[i].fd, d, 0)) Learn(d, i % 2 == 1);
    }
}

// Requests come from the library's own sockets; devices answer from their
// device ports, and the peer hears its own broadcasts.
void HostilePeer::Learn(const Datagram &d, bool blockPort) {
    const uint16_t port = ntohs(d.from.sin_port);
    if (port == kItemPort || port == kBlockPort || AddressText(d.from) == m_ip) return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (std::none_of(m_targets.begin(), m_targets.end(), [&](const sockaddr_in &t) { return SameSocket(t, d.from); }))
            m_targets.push_back(d.from);
        const Bytes &b = d.bytes;
        if (blockPort && (b.size() == kReadRequest || b.size() == kWriteRequest) &&
            std::equal(std::begin(kMarker), std::end(kMarker), b.begin())) {
            Mac mac;
            std::copy_n(b.begin() + 4, mac.size(), mac.begin());
            if (std::find(m_macs.begin(), m_macs.end(), mac) == m_macs.end()) m_macs.push_back(mac);
        }
    }
    m_learned.notify_all();
}

void HostilePeer::Flood() {
    std::vector<sockaddr_in> targets;
    std::vector<Mac> macs;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        targets = m_targets;
        macs = m_macs;
    }
    for (const sockaddr_in &to : targets) SendGarbage(to, macs);
    ++m_round;
}

void HostilePeer::SendGarbage(const sockaddr_in &to, const std::vector<Mac> &macs) {
    for (int i = 0; i < m_settings.burst; ++i) {
        Bytes d = m_garbage.Next(macs);
        GarbageMaker::Spoil(d, macs);
        // Both device ports take turns as the source.
        const int from = m_fds[(m_round + size_t(i)) % 2];
        if (SendDatagram(from, d, to)) ++m_sent;
    }
}

}  // namespace vdsim
