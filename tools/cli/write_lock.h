// The lock that the library's own writes of a device take: a file per
// device, shared by this user's processes (the library's DeviceLock). A
// write through the fleet interface takes it too, so that it and another
// process's 'vandrel set' of the same device take turns, and counts itself
// as their writes do, so that settings read before it are known to be old.
#ifndef VANDREL_CLI_WRITE_LOCK_H
#define VANDREL_CLI_WRITE_LOCK_H

#include "device.h"
#include "net/platform.h"

namespace vdcli {

class WriteLock {
public:
    // Waits for the device's lock, and counts the write as it starts.
    explicit WriteLock(const Target &t);
    // Counts the write as it ends, then gives the lock back.
    ~WriteLock();
    WriteLock(const WriteLock &) = delete;
    WriteLock &operator=(const WriteLock &) = delete;

private:
    vd::net::DeviceLock m_lock;
};

}  // namespace vdcli

#endif
