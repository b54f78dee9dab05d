// A hostile device's TCP data channel: whoever connects gets the same bytes
// over and over, as fast as the connection takes them, until it closes or a
// newer connection replaces it (a device keeps only its latest host). What
// the peer sends is read and thrown away. Nothing grows with the bytes sent:
// the flood repeats one buffer.
#ifndef VANDREL_SIM_SIM_DATA_FLOOD_H
#define VANDREL_SIM_SIM_DATA_FLOOD_H

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "sim_net.h"

namespace vdsim {

class DataFlood {
public:
    // pattern: the bytes repeated; empty for the bytes 0 to 255 in order.
    DataFlood(std::string address, uint16_t port, const std::string &pattern);
    ~DataFlood() { Stop(); }
    DataFlood(const DataFlood &) = delete;
    DataFlood &operator=(const DataFlood &) = delete;

    // Listens on address:port; false when the port cannot be opened.
    bool Start();
    void Stop();

    // One line per connection that ended since the last call: its peer and
    // the bytes it was sent.
    std::vector<std::string> TakeEnded();

private:
    void Serve(int listener, const std::atomic<bool> &stopping);
    void End(int &client, const std::string &peer, uint64_t sent);

    const std::string m_address;
    const uint16_t m_port;
    size_t m_period = 0;
    std::vector<uint8_t> m_buffer;  // the pattern over and over, one period more than a send
    std::mutex m_mutex;
    std::vector<std::string> m_ended;
    TcpService m_service;
};

}  // namespace vdsim

#endif
