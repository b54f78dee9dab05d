// What one client or one device can make the dashboard hold, in one place:
// docs/web.md lists each of these in its limits table.
#ifndef VANDREL_WEB_WEB_LIMITS_H
#define VANDREL_WEB_WEB_LIMITS_H

#include <cstddef>

namespace vdweb {

// Connections served at once; beyond it the system's backlog holds them.
constexpr size_t kMaxConnections = 2000;
// Connections at once from one client address; more are answered 503, so
// that one address holds at most this share of kMaxConnections. A proxy's
// addresses (--behind-proxy) are not held to it: they carry every client's.
constexpr size_t kMaxConnectionsPerAddress = 64;
// A request's head (request line and header lines), answered 431 beyond.
constexpr size_t kMaxHeadBytes = 32 * 1024;
constexpr size_t kMaxHeaderLines = 100;
// A request's head must arrive whole within this, however it trickles (408).
constexpr int kHeadSeconds = 10;
// Its body within this after the head: the largest body, a firmware image
// of 112 KiB, needs 4 KiB/s.
constexpr int kBodySeconds = 30;
// Event streams open at once; more are answered 503.
constexpr size_t kMaxSubscribers = 256;
// Operations on many devices run at once; more wait their turn, up to
// kMaxQueuedOperations, beyond which they are answered 503.
constexpr size_t kOperationsAtOnce = 2;
constexpr size_t kMaxQueuedOperations = 64;
// Worker processes, and reads of one device in this process, at once, for
// every request and operation together.
constexpr size_t kMaxWorkers = 96;
// Devices in the table (--max-devices); the new devices a search finds
// beyond it are dropped and counted.
constexpr long long kDefaultMaxDevices = 100000;
// A device not seen for this long leaves the table (--forget-after).
constexpr long long kDefaultForgetAfterSeconds = 3600;
// A device's texts in /metrics labels (name, version, family) are cut to
// this many bytes, at a character's boundary.
constexpr size_t kMaxLabelBytes = 64;
// Login sessions held at once (--users); beyond it the oldest login ends.
constexpr size_t kMaxSessions = 10000;
// Failed logins from one client address within kLoginWindowSeconds; more
// are answered 429 until the window has passed.
constexpr int kMaxFailedLogins = 5;
constexpr int kLoginWindowSeconds = 60;
// Addresses whose failed logins are counted; beyond it the oldest counts go.
constexpr size_t kMaxLoginAddresses = 10000;

}  // namespace vdweb

#endif
