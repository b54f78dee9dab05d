// A simulated IO module: answers device command packets (AA, code, length,
// payload, XOR check byte, 0D) on a TCP port with the readings it is given.
// It can put stray bytes, or a packet with a wrong check byte, ahead of its
// next reply.
#ifndef VANDREL_SIM_SIM_IO_MODULE_H
#define VANDREL_SIM_SIM_IO_MODULE_H

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "sim_net.h"

namespace vdsim {

struct IoModuleSettings {
    std::string address = "127.0.0.1";
    uint16_t port = 8800;
    uint16_t adc[2] = {0, 0};  // the two analogue inputs
    uint8_t io[2] = {0, 0};    // the two IO state bytes
};

class IoModule {
public:
    using Bytes = std::vector<uint8_t>;

    explicit IoModule(IoModuleSettings settings) : m_settings(std::move(settings)) {}
    ~IoModule() { Stop(); }
    IoModule(const IoModule &) = delete;
    IoModule &operator=(const IoModule &) = delete;

    // Listens on address:port and serves one connection at a time (a new one
    // replaces the old). False when the port cannot be opened.
    bool Start();
    void Stop();

    void SetReadings(uint16_t adc0, uint16_t adc1, uint8_t io0, uint8_t io1);

    // A packet as the device frames it; badCheck spoils the check byte.
    static Bytes Packet(uint8_t code, const Bytes &payload, bool badCheck = false);

    // Every byte received, in order.
    Bytes Received() const;
    // Replies sent so far (counted once they are on their way).
    size_t Replies() const;
    bool WaitForReplies(size_t count, int timeoutMs) const;
    uint8_t Direction() const;

private:
    void Serve(int listener, const std::atomic<bool> &stopping);
    // Takes the complete packets off the front of m_pending and builds the
    // replies; count gets their number.
    Bytes Answer(size_t &count);

    IoModuleSettings m_settings;
    mutable std::mutex m_mutex;
    Bytes m_received;
    Bytes m_pending;
    size_t m_replies = 0;
    uint8_t m_direction = 0;
    TcpService m_service;
};

}  // namespace vdsim

#endif
