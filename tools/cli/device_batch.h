// Many devices at once in this process: their reads, confirmed writes,
// commands and firmware downloads on one fleet of the library
// (vandrel_fleet.h), at most a bound of them under way; the fleet takes for each write the device's lock that every other
// writer of it takes too, in this process or another. apply, drift and the
// dashboard's bulk operations run on it.
#ifndef VANDREL_CLI_DEVICE_BATCH_H
#define VANDREL_CLI_DEVICE_BATCH_H

#include <functional>
#include <string>
#include <vector>

#include "device.h"
#include "json_text.h"
#include "device_settings.h"
#include "vandrel_fleet.h"

namespace vdcli {

// The most devices under way at once, and the default: a plan of a thousand
// devices at once. They share the fleet's sockets; each holds its lock file
// while it is written.
constexpr long long kMaxAtOnce = 4096;
constexpr long long kDefaultAtOnce = 1024;

// kDefaultAtOnce, or fewer when the open files this process may hold (the
// soft limit raised to the hard one first) leave room for fewer.
long long DefaultAtOnce();

// What an item asks of its device: its settings (a read when pairs is
// empty, else a write of them), a named command sent once over UDP, or a
// firmware download over UDP (family A).
enum class BatchTask { Settings, Command, Download };

// A read's wait for its device, its wait behind the device's earlier
// operations included; a write's read first waits as long.
constexpr uint32_t kItemDeadlineMs = 10000;

// One device's operation.
struct BatchItem {
    Target target;
    std::string password;
    Pairs pairs;
    BatchTask task = BatchTask::Settings;
    std::string command, param;       // a command's name and parameter
    std::vector<std::string> images;  // a download's files, at most five
    uint32_t deadlineMs = kItemDeadlineMs;  // a read's, a write's or a command's
};

// A read of the device, or a write of pairs with password.
BatchItem SettingsItem(const Target &target, const std::string &password = "", const Pairs &pairs = {});

// How an operation ended: its VD_ code (vandrel.h) and its pairs (the
// settings read, the password left out; after a write that did not take,
// the pairs that did not).
using BatchDone = std::function<void(size_t item, int result, const Pairs &pairs)>;

class DeviceBatch {
public:
    explicit DeviceBatch(long long atOnce);
    ~DeviceBatch();
    DeviceBatch(const DeviceBatch &) = delete;
    DeviceBatch &operator=(const DeviceBatch &) = delete;

    // Runs the items in order, and calls done on this thread as each ends
    // (every one with VD_FAIL when the library could not start a fleet),
    // and drained, when given, after each round of those that ended
    // together. Once stop() is true no further item starts; those under way
    // finish.
    void Run(const std::vector<BatchItem> &items, const std::function<bool()> &stop, const BatchDone &done,
             const std::function<void()> &drained = {});
    // Runs one item and waits for it: its result, and its pairs in pairs.
    int RunOne(const BatchItem &item, Pairs &pairs);
    // What the wire made the operations that ended do twice (VF_Count):
    // {"resent": requests sent again, "duplicates": answers heard again}.
    JsonValue Wire() const;

private:
    VF_Op Submit(const BatchItem &item);

    size_t m_atOnce;
    VF_Fleet *m_fleet;
};

}  // namespace vdcli

#endif
