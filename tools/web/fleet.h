// The devices the repeated searches have seen: what each answered last, when,
// and whether it answered the latest searches. A device that missed
// kMissedForOffline searches in a row is offline; it stays in the table
// until it has not been seen for the forget-after time. The table holds at
// most a number of devices: the new devices a search finds beyond it are dropped and
// counted, so that a device answering with endless made-up addresses cannot
// fill the memory.
#ifndef VANDREL_WEB_FLEET_H
#define VANDREL_WEB_FLEET_H

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "json_read.h"
#include "web_limits.h"

namespace vdweb {

using vdcli::JsonValue;

constexpr int kMissedForOffline = 2;

// Plain fields rather than the search's JSON: a crowd of 16,000 is held in
// a fraction of the memory.
struct SeenDevice {
    std::string ip, mac, family, version;  // as 'search --json' lists them
    int type = 0, code2 = 0, port = 0;
    std::string name;  // NAME, once a read of the device gave it
    int64_t lastSeen = 0;  // Unix time, seconds
    int missed = 0;        // searches in a row it did not answer
    uint64_t answered = 0;  // the fleet's generation it last answered in
    bool Online() const { return missed < kMissedForOffline; }
};

class Fleet {
public:
    // Devices not seen for this many seconds leave the table, and at most
    // count are held (both set before the first search).
    void ForgetAfter(int64_t seconds) { m_forgetAfter = seconds; }
    void MaxDevices(size_t count) { m_maxDevices = count; }
    // Takes the devices known before the start (the fleet database's), as
    // offline until a search finds them; those unseen for the forget-after
    // time are left out.
    void Restore(const std::vector<SeenDevice> &known, int64_t now);
    // Takes one search's list ('search --json'); now is its Unix time.
    void Update(const JsonValue &found, int64_t now);
    // The new devices left out because the table was full, since the start.
    uint64_t Dropped() const;
    // Records a device's name from a read of it (by IP or MAC).
    void SetName(const std::string &address, const std::string &name);
    // Records the name a tool document shows for the device: a read's
    // settings, or a write's changes that stored NAME ('set', one row of
    // 'apply').
    void NoteName(const std::string &address, const JsonValue &doc);
    // The device's type code, or 0 when no search has seen it.
    int TypeOf(const std::string &address) const;
    // The version a device gave, by IP or MAC; "" when unknown.
    std::string VersionOf(const std::string &address) const;
    // The device at address (IP or MAC) as the table holds it; false when
    // no search has seen it.
    bool Find(const std::string &address, SeenDevice &out) const;

    // The table as one JSON text: search's fields and name, last_seen,
    // online. Made once per change and shared by every reader.
    std::shared_ptr<const std::string> Table() const;
    // Calls f on every device, under the lock.
    template <class F> void ForEach(F f) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto &d : m_devices) f(d.second);
    }
    uint64_t Generation() const;

private:
    const SeenDevice *FindLocked(const std::string &address) const;

    mutable std::mutex m_mutex;
    std::map<std::string, SeenDevice> m_devices;  // by "IP MAC"
    uint64_t m_generation = 0;
    uint64_t m_dropped = 0;
    int64_t m_forgetAfter = kDefaultForgetAfterSeconds;
    size_t m_maxDevices = kDefaultMaxDevices;
    mutable std::shared_ptr<const std::string> m_table;
};

}  // namespace vdweb

#endif
