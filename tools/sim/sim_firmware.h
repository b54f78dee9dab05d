// A simulated firmware receiver of a family A device, on UDP or TCP: takes
// the manifest and the image chunks, acknowledges each packet with "ok", and
// puts the images together as they arrive. Any packet can instead be answered
// late, not at all, or more than once.
#ifndef VANDREL_SIM_SIM_FIRMWARE_H
#define VANDREL_SIM_SIM_FIRMWARE_H

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "sim_net.h"

namespace vdsim {

// One image of a download as it arrives.
struct FirmwareImage {
    std::string name;
    uint32_t size = 0;
    uint32_t address = 0;
    std::vector<uint8_t> data;  // size bytes; what no chunk brought stays 0
    size_t received = 0;        // chunk bytes that arrived for it
    std::set<uint32_t> chunks;  // the offsets of the chunks that arrived
};

// Takes one download packet: a manifest starts images afresh, a chunk fills
// its image. False for a packet that is neither.
bool TakeFirmwarePacket(const std::vector<uint8_t> &packet, std::vector<FirmwareImage> &images);

// True when every chunk of every image has arrived.
bool FirmwareComplete(const std::vector<FirmwareImage> &images);

class FirmwareReceiver {
public:
    using Bytes = std::vector<uint8_t>;
    using Image = FirmwareImage;
    enum class Transport { Udp, Tcp };

    FirmwareReceiver(std::string ip, uint16_t port, Transport transport);
    ~FirmwareReceiver();
    FirmwareReceiver(const FirmwareReceiver &) = delete;
    FirmwareReceiver &operator=(const FirmwareReceiver &) = delete;

    bool Start();
    void Stop();

    // Answers packet n (0 is the first packet received, in arrival order
    // over the receiver's life) after delayMs. Others get "ok" at once.
    void DelayAnswer(size_t n, int delayMs);
    // Answers packet n (counted as above) times times: 0 loses the answer, 2
    // duplicates it.
    void AnswerTimes(size_t n, int times);

    // Every packet received, in order.
    std::vector<Bytes> Packets() const;
    // The images of the last manifest, with the chunks received since.
    std::vector<Image> Images() const;
    // TCP connections accepted so far.
    size_t Connections() const;
    bool WaitForPackets(size_t count, int timeoutMs) const;

private:
    void ServeUdp(const std::atomic<bool> &stopping);
    void ServeTcp(const std::atomic<bool> &stopping);
    // Records one packet, then waits for as long as its answer is delayed;
    // returns how many answers it gets.
    int Take(const Bytes &packet);

    const std::string m_ip;
    const uint16_t m_port;
    const Transport m_transport;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_arrived;
    std::map<size_t, int> m_delays;
    std::map<size_t, int> m_answers;
    std::vector<Bytes> m_packets;
    std::vector<Image> m_images;
    size_t m_connections = 0;
    int m_fd = -1;
    SimThread m_thread;
};

}  // namespace vdsim

#endif
