// A simulated family A device: keeps its settings as items, answers the
// discovery request (broadcast or unicast) and the information request on
// UDP port 8800, applies write datagrams to its settings, and records every
// datagram it receives.
#ifndef VANDREL_SIM_SIM_FAMILY_A_H
#define VANDREL_SIM_SIM_FAMILY_A_H

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "sim_device_firmware.h"
#include "sim_udp_port.h"

namespace vdsim {

using Bytes = std::vector<uint8_t>;
using Mac = std::array<uint8_t, 6>;

// One setting: an item code and its data bytes.
struct FamilyAItem {
    uint8_t code;
    Bytes data;
};

// "A1 code n data FF" for each item, back to back.
Bytes EncodeFamilyAItems(const std::vector<FamilyAItem> &items);

class FamilyADevice {
public:
    enum class SearchReply { Items, Fixed };

    struct Received {
        Bytes bytes;
        std::string from;
        bool broadcast;  // arrived on 255.255.255.255
    };

    // ip: the device's own 127.0.0.x address. The settings start with the
    // items TYPE (0x01), IP (0x05) and MAC (0x04).
    FamilyADevice(std::string ip, uint8_t type, const Mac &mac, uint16_t port = 8800);
    ~FamilyADevice();
    FamilyADevice(const FamilyADevice &) = delete;
    FamilyADevice &operator=(const FamilyADevice &) = delete;

    // Settings. SetItem replaces an item's data or appends the item.
    void SetItem(uint8_t code, const Bytes &data);
    void SetText(uint8_t code, const std::string &text);
    void SetPassword(const std::string &password) { SetText(0x03, password); }
    Bytes Item(uint8_t code) const;

    // Behaviour.
    void SetSearchReply(SearchReply form);
    // Fields only the fixed reply carries.
    void SetFixedReplyFields(uint8_t code2, uint8_t version, uint16_t port);
    void SetSilent(bool silent);
    // Answer this many information requests, then none (a device that
    // stops answering part way); -1: no limit.
    void SetInfoAnswerLimit(int count);
    // Answer the information request with these bytes instead of the settings.
    void SetInfoReply(const Bytes &raw);
    // Answer the discovery request with these bytes instead of either form.
    void SetSearchReplyBytes(const Bytes &raw);
    // Wait this long before each answer.
    void SetReplyDelay(int ms);
    // Faults at a known place: the next count information requests get no
    // answer; the next count writes do not take.
    void DropInfoAnswers(int count);
    void IgnoreWrites(int count);
    // Every answer is sent twice, as a duplicating link delivers it.
    void SetDuplicateReplies(bool duplicate);
    // Firmware: how long a restart keeps it away (0: it is back at once),
    // and the fault it has.
    void SetFirmware(std::chrono::milliseconds restartTime, FirmwareFault fault);
    // What its firmware did since the last call, one line each.
    std::vector<std::string> TakeFirmwareEvents();

    // Binds ip:port and 255.255.255.255:port; false when either fails.
    bool Start();
    void Stop();

    const std::string &Ip() const { return m_ip; }
    std::vector<Received> ReceivedDatagrams() const;
    // Datagrams that were neither a search nor an information request.
    std::vector<Bytes> Writes() const;
    // Waits until at least count datagrams have been received.
    bool WaitForDatagrams(size_t count, int timeoutMs) const;
    void ClearReceived();

private:
    void Handle(const Datagram &d, bool broadcast);
    Bytes SearchReplyBytes() const;
    void Apply(const Bytes &write);
    void SetItemLocked(uint8_t code, const Bytes &data);
    // A download packet or a restart; false for another datagram.
    bool TakeFirmware(const Bytes &datagram, Bytes &reply);
    // False while it is away after a restart; once it is back, with the
    // version its firmware runs.
    bool IsUp();

    const std::string m_ip;
    const uint16_t m_port;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_arrived;
    std::vector<FamilyAItem> m_items;
    Mac m_mac;
    SearchReply m_searchReply = SearchReply::Items;
    uint8_t m_code2 = 0, m_version = 0;
    uint16_t m_fixedPort = 0;
    bool m_silent = false;
    int m_infoAnswerLimit = -1, m_infoAnswered = 0;
    int m_delayMs = 0;
    int m_dropInfo = 0, m_ignoreWrites = 0;
    bool m_duplicate = false;
    bool m_hasRawInfo = false, m_hasRawSearch = false;
    Bytes m_rawInfo, m_rawSearch;
    std::vector<Received> m_received;
    DeviceFirmware m_firmware;
    UdpDevicePort m_udp;
};

}  // namespace vdsim

#endif
