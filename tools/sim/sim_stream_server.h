// The stream side of the simulated devices: one client at a time on a
// listening socket, as the devices themselves take it.
#ifndef VANDREL_SIM_SIM_STREAM_SERVER_H
#define VANDREL_SIM_SIM_STREAM_SERVER_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace vdsim {

struct StreamHandlers {
    // Runs for each accepted connection, before any of its bytes.
    std::function<void()> onAccept;
    // Gets what arrives on the connection; returns true to close it.
    std::function<bool(int client, const uint8_t *data, size_t len)> onBytes;
};

// Serves listener until stopping: a new connection replaces the current one
// (a device keeps only its latest host), a peer's close ends the connection.
// Replies go out without delay (no Nagle), so split replies stay split.
// Returns within about 20 ms of stopping becoming true.
void ServeOneClientAtATime(int listener, const std::atomic<bool> &stopping,
                           const StreamHandlers &handlers);

}  // namespace vdsim

#endif
