// Socket plumbing shared by the simulated devices: loopback sockets bound to
// a device's own address, bounded waits, and a background service thread.
#ifndef VANDREL_SIM_SIM_NET_H
#define VANDREL_SIM_SIM_NET_H

#include <netinet/in.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace vdsim {

// A UDP socket bound to addr:port with address reuse and broadcast allowed.
// Bind to "255.255.255.255" to hear limited broadcasts (several sockets may
// share that). Returns the descriptor, or -1.
int OpenUdp(const std::string &addr, uint16_t port);

// The broadcast address of the subnet of the interface that holds ip
// ("198.18.5.255"), or "" when none does or it cannot broadcast.
std::string SubnetBroadcastOf(const std::string &ip);

// A listening TCP socket on addr:port (address reuse on). -1 on failure.
int OpenTcpListener(const std::string &addr, uint16_t port);

// Waits up to timeoutMs for fd to become readable.
bool WaitReadable(int fd, int timeoutMs);

struct Datagram {
    std::vector<uint8_t> bytes;
    sockaddr_in from{};
};

// Reads one datagram if one arrives within timeoutMs.
bool ReceiveDatagram(int fd, Datagram &out, int timeoutMs);
bool SendDatagram(int fd, const uint8_t *data, size_t len, const sockaddr_in &to);
inline bool SendDatagram(int fd, const std::vector<uint8_t> &data, const sockaddr_in &to) {
    return SendDatagram(fd, data.data(), data.size(), to);
}

// Writes the whole buffer to a stream; false on error.
bool SendAll(int fd, const uint8_t *data, size_t len);

std::string AddressText(const sockaddr_in &a);
sockaddr_in MakeAddress(const std::string &ip, uint16_t port);

// Runs body(stopping) on its own thread until Stop(); body should return
// within about 50 ms of stopping becoming true.
class SimThread {
public:
    SimThread() = default;
    ~SimThread() { Stop(); }
    SimThread(const SimThread &) = delete;
    SimThread &operator=(const SimThread &) = delete;

    void Start(std::function<void(const std::atomic<bool> &stopping)> body);
    void Stop();
    bool Running() const { return m_thread.joinable(); }

private:
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};

// A listening TCP socket served by serve(listener, stopping) on a thread of
// its own until Stop(): the simulated devices that take connections.
class TcpService {
public:
    TcpService() = default;
    ~TcpService() { Stop(); }
    TcpService(const TcpService &) = delete;
    TcpService &operator=(const TcpService &) = delete;

    // Stops what it served before; false when addr:port cannot be listened on.
    bool Start(const std::string &addr, uint16_t port,
               std::function<void(int listener, const std::atomic<bool> &stopping)> serve);
    void Stop();

private:
    int m_listener = -1;
    SimThread m_thread;
};

}  // namespace vdsim

#endif
