// DeviceExchange: one operation on one device, run as an exchange beside
// the operations on other devices in one loop: a read of its settings, or a
// write of key/value pairs confirmed by reading them back. It talks through
// the fleet's link (core/device_link.h), which hands it only its device's
// answers, and keeps its device's pacing on its own timer; it ends at its
// answer, at the end of its write, or at its deadline. Its result is a VD_ code
// (vandrel.h); its pairs are the settings read (the password and hidden keys
// left out, values as the exports hand them out) or, after a write that did
// not take, the staged pairs that did not.
#ifndef VANDREL_CORE_DEVICE_EXCHANGE_H
#define VANDREL_CORE_DEVICE_EXCHANGE_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "codec/codec.h"
#include "core/device_link.h"
#include "net/exchange.h"

namespace vd {

using KeyValues = std::vector<std::pair<std::string, std::string>>;

// What an exchange did twice on the wire: requests it sent again because no
// answer came (or the answer showed the change had not taken), and answers
// it heard again that carried nothing new (a duplicating link, or answers to
// its own copies). A fleet adds them up for the host to watch the wire by.
struct WireCounts {
    uint64_t resent = 0;
    uint64_t duplicates = 0;
};

// What a fleet does to a device: its settings (a read or a write), a
// firmware download, a restart that waits for the device to come back, or
// one named command sent once; or a search for the devices that answer at
// an address.
enum class DeviceTask { Settings, Download, Restart, Command, Search };

// What a fleet asks of one device: read it, write pairs with its password,
// download images to it, restart it or send it a command.
struct DeviceJob {
    std::string address;  // an IP for family A, a MAC text for family B
    int32_t type = 0;
    std::string password;
    KeyValues pairs;  // empty: a read
    std::chrono::milliseconds deadline{0};
    DeviceTask task = DeviceTask::Settings;
    std::vector<std::string> images;  // a download's image files, in order
    std::string command, param;       // a command's name and its parameter
    std::string until;                // a search's: the device whose answer ends it
};

class DeviceExchange : public net::Exchange {
public:
    explicit DeviceExchange(DeviceLink &link) : m_link(link) {}
    // The link's sockets are read by the loop for every exchange at once.
    std::vector<net::ClientSocket *> Sockets() override { return {}; }
    TimePoint NextDeadline() const override { return m_next; }
    bool IsDone() const override { return m_done; }

    int32_t Result() const { return m_result; }
    const KeyValues &Pairs() const { return m_pairs; }
    const WireCounts &Counts() const { return m_counts; }

protected:
    void Finish(int32_t result) {
        m_result = result;
        m_done = true;
    }
    // True when password is the device's, as the exports compare it: the
    // device's cut to the room a host's buffer has.
    static bool PasswordMatches(const std::string &held, const std::string &password);

    DeviceLink &m_link;
    TimePoint m_next;
    KeyValues m_pairs;
    WireCounts m_counts;

private:
    int32_t m_result = 0;
    bool m_done = false;
};

}  // namespace vd

#endif
