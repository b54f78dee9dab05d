// A simulated family B device: a serial server with 1, 2, 4 or 8 ports
// (type code 32, 56, 48 or 64) that keeps its settings as 256-byte blocks
// (block 0 for the device, block p + 1 for port p). It hears broadcasts on
// UDP port 8801 and, for datagrams addressed to its own MAC, answers each
// read request with the whole block from its own address, stores write
// requests into its blocks, and counts restart requests. Every datagram it
// receives is recorded.
#ifndef VANDREL_SIM_SIM_FAMILY_B_H
#define VANDREL_SIM_SIM_FAMILY_B_H

#include <array>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "sim_broadcast_hub.h"
#include "sim_udp_port.h"

namespace vdsim {

using Bytes = std::vector<uint8_t>;
using Mac = std::array<uint8_t, 6>;

class FamilyBDevice {
public:
    static constexpr size_t kBlockSize = 256;

    // ip: the device's own 127.0.0.x address. Block 0 starts with the IP
    // and MAC settings set to ip and mac; every other byte is 0.
    FamilyBDevice(std::string ip, uint8_t type, const Mac &mac, uint16_t port = 8801);
    ~FamilyBDevice();
    FamilyBDevice(const FamilyBDevice &) = delete;
    FamilyBDevice &operator=(const FamilyBDevice &) = delete;

    // Ports of a type code: 1, 2, 4 or 8 (0 for any other code).
    static int PortsOf(uint8_t type);
    // The blocks the device holds: 0, then 2 to ports + 1.
    std::vector<uint8_t> BlockNumbers() const;

    // Blocks. Block() gives an empty vector for a block the device lacks;
    // the setters ignore such blocks and bytes past the end.
    Bytes Block(uint8_t block) const;
    void SetBlock(uint8_t block, const Bytes &data);
    void SetBytes(uint8_t block, size_t offset, const Bytes &bytes);
    // The text and a terminating 0 byte.
    void SetText(uint8_t block, size_t offset, const std::string &text);
    void SetName(const std::string &name) { SetText(0, 0, name); }
    void SetPassword(const std::string &password) { SetText(0, 16, password); }
    void SetIp(const std::string &ip);

    // Answers nothing (writes and restarts are still noted).
    void SetSilent(bool silent);
    // Faults at a known place: the next count read requests for block get
    // no answer; every answer is sent twice; the next count writes of block
    // do not take.
    void DropReplies(uint8_t block, int count);
    void SetDuplicateReplies(bool duplicate);
    void IgnoreWrites(uint8_t block, int count);

    // Binds ip:port and 255.255.255.255:port; false when either fails.
    // With a hub, binds ip:port alone and takes the broadcasts from the hub.
    bool Start(BroadcastHub *hub = nullptr);
    void Stop();

    const std::string &Ip() const { return m_ip; }
    std::string MacText() const;

    std::vector<Bytes> ReceivedDatagrams() const;
    // Datagrams addressed to this device's MAC, in arrival order.
    std::vector<Bytes> Requests() const;
    // Block numbers of the read requests addressed to it (restarts excluded).
    std::vector<uint8_t> ReadBlocks() const;
    // Write requests addressed to it, whole.
    std::vector<Bytes> Writes() const;
    int Restarts() const;
    // Waits until at least count datagrams addressed to it have arrived.
    bool WaitForRequests(size_t count, int timeoutMs) const;
    void ClearReceived();

private:
    void Handle(const Datagram &d);
    bool IsMine(const Bytes &bytes) const;
    std::vector<Bytes> RequestsLocked() const;

    const std::string m_ip;
    const uint8_t m_type;
    const Mac m_mac;
    const uint16_t m_port;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_arrived;
    std::map<uint8_t, Bytes> m_blocks;
    bool m_silent = false;
    bool m_duplicate = false;
    std::map<uint8_t, int> m_dropReplies, m_ignoreWrites;
    int m_restarts = 0;
    std::vector<Bytes> m_received;
    UdpDevicePort m_udp;
    BroadcastHub *m_hub = nullptr;
};

}  // namespace vdsim

#endif
