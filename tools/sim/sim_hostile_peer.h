// A hostile peer on the device ports 8800 and 8801 of its own 127.0.0.x
// address. It listens there and on 255.255.255.255 for the library's
// requests, learns each requesting socket's address (and the MAC addresses
// that family B requests name), and from then on floods every learned socket
// from both its ports with garbage (sim_garbage.h) for as long as it runs.
// It never sends anything the library would take as a device's answer, so a
// host sees only the real devices.
#ifndef VANDREL_SIM_SIM_HOSTILE_PEER_H
#define VANDREL_SIM_SIM_HOSTILE_PEER_H

#include <netinet/in.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "sim_garbage.h"
#include "sim_net.h"

namespace vdsim {

class HostilePeer {
public:
    struct Settings {
        uint32_t seed = 1;
        // Datagrams to each learned socket per round, and the pause between
        // rounds. The default, about 300 a second to each socket, is what a
        // socket's receive queue holds through the library's longest pause
        // between two reads (100 ms between block requests); faster floods
        // overflow the queue and the kernel drops the real answers too.
        int burst = 1;
        int pauseMs = 3;
    };

    explicit HostilePeer(std::string ip);
    HostilePeer(std::string ip, const Settings &settings);
    ~HostilePeer();
    HostilePeer(const HostilePeer &) = delete;
    HostilePeer &operator=(const HostilePeer &) = delete;

    // Binds ip and 255.255.255.255 on both ports; false when any bind fails.
    bool Start();
    void Stop();

    // Datagrams sent since Start.
    uint64_t Sent() const { return m_sent; }
    std::vector<Mac> Macs() const;
    bool WaitForTargets(size_t count, int timeoutMs) const;

private:
    void Serve(const std::atomic<bool> &stopping);
    void Listen(int timeoutMs);
    void Learn(const Datagram &d, bool blockPort);
    void Flood();
    void SendGarbage(const sockaddr_in &to, const std::vector<Mac> &macs);

    const std::string m_ip;
    const Settings m_settings;
    GarbageMaker m_garbage;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_learned;
    std::vector<sockaddr_in> m_targets;
    std::vector<Mac> m_macs;
    std::atomic<uint64_t> m_sent{0};
    uint64_t m_round = 0;
    // Unicast 8800, unicast 8801, broadcast 8800, broadcast 8801.
    int m_fds[4] = {-1, -1, -1, -1};
    SimThread m_thread;
};

}  // namespace vdsim

#endif
