// What the socket layer needs of the platform it runs on, and the locks of
// the writes to devices. Each platform
// provides all of it in a folder of its own (net/posix, net/win32), chosen by
// the build; the rest of src/net is written once against this page, and
// nothing above src/net sees which platform is built.
//
// The model is Windows Sockets with window messages: sockets are announced to
// a hidden helper window, each socket under its own message number, and the
// notifications reach the socket core only when the thread that owns that
// window dispatches its messages. Where the platform has no such thing
// (POSIX), its folder provides a stand-in with the same behaviour.
//
// Nothing here throws. A call that fails says so in its result and leaves the
// reason in the calling thread's last error (LastError), in Winsock's
// numbering on every platform.
#ifndef VANDREL_NET_PLATFORM_H
#define VANDREL_NET_PLATFORM_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "net/interfaces.h"

namespace vd::net {

class SocketContext;

// ---- Errors ---------------------------------------------------------------

constexpr int kErrInvalidArgument = 10022;
constexpr int kErrWouldBlock = 10035;  // also: a connect is under way
constexpr int kErrAlreadyHasHandle = 10037;
constexpr int kErrNetworkUnreachable = 10051;
constexpr int kErrHostNotFound = 11001;

int LastError();
void SetLastError(int error);

// ---- Sockets --------------------------------------------------------------

using SocketHandle = intptr_t;
constexpr SocketHandle kInvalidSocket = -1;

// An IPv4 endpoint: the address in network byte order (as inet_addr gives
// it), the port in host order.
struct Endpoint {
    uint32_t address = 0;
    uint16_t port = 0;
};
constexpr uint32_t kAnyAddress = 0;
constexpr uint32_t kBroadcastAddress = 0xFFFFFFFFu;

// Starts and stops the platform's socket layer (the library's load and
// unload steps). Stopping also closes the handles left to it during unload.
bool StartSockets();
void StopSockets();
// During unload a closed socket leaves its handle to StopSockets; one left
// after StopSockets has run is closed at once.
void LeaveToCleanup(SocketHandle handle);

// A blocking IPv4 socket (stream or datagram) that a child process does not
// inherit; kInvalidSocket on failure. A stream sends each write at once:
// requests and replies are a few bytes each, and one held back until the
// previous is acknowledged (Nagle) waits for nothing but that.
SocketHandle OpenSocket(bool stream);
// A stream is closed in order: closing over unread input resets the
// connection, and the reset drops what was written and not yet sent (a
// host's last request). So its sending side is ended first, which sends what
// is still queued and then the end, and what has arrived is read and dropped
// (for a bounded while, against a peer that never stops sending).
void CloseSocket(SocketHandle handle);
bool BindSocket(SocketHandle handle, const Endpoint &local);
// True when connected at once; otherwise false, kErrWouldBlock while it runs.
bool ConnectSocket(SocketHandle handle, const Endpoint &remote);
// Byte counts, or -1; a send never raises a signal.
int SendBytes(SocketHandle handle, const void *buffer, int length);
int SendBytesTo(SocketHandle handle, const void *buffer, int length, const Endpoint &to);
int ReceiveBytes(SocketHandle handle, void *buffer, int length);
int ReceiveBytesFrom(SocketHandle handle, void *buffer, int length, Endpoint &from);
// Bytes a read would take now (a datagram socket: the first datagram's size).
bool QueryPending(SocketHandle handle, uint32_t &count);
// True when a read would not block: a datagram, even an empty one, is queued.
bool HasInput(SocketHandle handle);
// Waits at most timeoutMs (0: only looks) until one of count sockets has
// input; true when one has. The waiting thread's window messages are not
// dispatched meanwhile.
bool WaitForInput(const SocketHandle *handles, int count, int timeoutMs);
// As WaitForInput, and marks in ready (count entries) which of them have
// input; the number marked.
int WaitForReady(const SocketHandle *handles, int count, int timeoutMs, uint8_t *ready);
bool SetBroadcast(SocketHandle handle, bool on);
// Widens a datagram socket's receive buffer as far as the system lets any
// process, and where the process is privileged to go further, to at least
// privilegedBytes, so that a crowd of answers waits there for the host.
// False when the socket's buffer could not be widened at all.
bool WidenReceiveBuffer(SocketHandle handle, int privilegedBytes);
// Blocking lookup of a host name's first IPv4 address (network order).
bool ResolveHost(const char *name, uint32_t &address);

// ---- Broadcasts by interface ------------------------------------------------

// (The interfaces themselves and the environment: net/interfaces.h.)
// Sends a datagram to 255.255.255.255:port out of the interface via, with
// via's address as its source, whatever the routing table says; answers then
// come back to this socket over that link. Byte count, or -1.
int SendBroadcastVia(SocketHandle handle, const void *buffer, int length, uint16_t port, const NetInterface &via);

// ---- Files ----------------------------------------------------------------

// Opens a file to read its bytes (firmware images); nullptr when it cannot
// be opened. A child process the host starts meanwhile does not inherit it.
std::FILE *OpenToRead(const std::string &path);

// ---- Device locks ---------------------------------------------------------

// Writes to one device, serialised across this user's processes: a lock
// file per device in a directory of the user's own ($XDG_RUNTIME_DIR/vandrel,
// else /tmp/vandrel-UID, made 0700; on Windows the user's temporary folder;
// on Linux one per network namespace, each a network of its own),
// released by the system when its holder ends, however it ends. The file
// also counts the writes to its device, so that copies of the settings read
// before another process's write are known to be old. A directory or file
// that is not this user's alone (a link, another owner, open to others) is
// not used: the write then goes unlocked. A device's name holds letters,
// digits, dots and dashes only.
enum class LockWait { Block, Try };

class DeviceLock {
public:
    // Waits for the device's lock, or with Try takes it only if it is free.
    explicit DeviceLock(const std::string &device, LockWait wait = LockWait::Block);
    ~DeviceLock();
    DeviceLock(const DeviceLock &) = delete;
    DeviceLock &operator=(const DeviceLock &) = delete;
    // Counts one more write to the device; returns the count (0 unlocked).
    uint64_t CountWrite();
    // With Try: another holds the lock (or this process is out of files),
    // and this holds nothing.
    bool Busy() const { return m_busy; }

private:
    intptr_t m_handle;
    bool m_busy = false;
};

// The count of writes the device's lock file holds, read without the lock;
// 0 when there is no file.
uint64_t DeviceWrites(const std::string &device);

// The name of a device's lock: its family ('A' or 'B'), then its IP, or its
// MAC's digits however they are joined, so that every writer of the device
// (the exports, or a host writing through a fleet) takes the same lock.
std::string DeviceLockName(char family, const std::string &address);

// ---- Wake signals -----------------------------------------------------------

// A signal one thread raises and another waits for among its sockets (in
// WaitForInput): a pipe on POSIX, a pair of connected loopback datagram
// sockets on Windows. waitEnd has input once Raise was called and until
// Lower; neither blocks.
struct WakePair {
    SocketHandle waitEnd = kInvalidSocket;
    SocketHandle raiseEnd = kInvalidSocket;
};
bool OpenWakePair(WakePair &pair);
void CloseWakePair(WakePair &pair);
void RaiseWake(const WakePair &pair);
void LowerWake(const WakePair &pair);

// ---- Threads --------------------------------------------------------------

using ThreadId = uint64_t;
ThreadId CurrentThread();

// ---- Window messages ------------------------------------------------------

// A window of the host that is told of arriving stream data: an HWND on
// Windows; on POSIX the host's {proc, user} record (the public interface's
// VD_HostWindow, see net/posix/host_window.h).
using WindowHandle = void *;

// Sends window one message synchronously, on the calling thread, as
// SendMessage does; returns the window's answer. A null window is not told.
intptr_t SendWindowMessage(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam);

// ---- The helper window ----------------------------------------------------

// Message numbers of the helper window. A socket's notifications arrive as
// SOCKET_MSG_BASE + its slot: the first parameter is the socket handle, the
// second the event bit in its low 16 bits and an error code in its high 16
// bits. A host-name lookup's end arrives as LOOKUP_DONE_MSG: the first
// parameter is the request, the second the error in its high 16 bits. The
// slot count is bounded so that every number stays below the range of
// registered window messages (0xC000).
constexpr uint32_t LOOKUP_DONE_MSG = 0x401;
constexpr uint32_t SOCKET_MSG_BASE = 0x402;
constexpr int32_t kMaxSlots = 48126;
constexpr uint32_t SOCKET_MSG_LAST = SOCKET_MSG_BASE + uint32_t(kMaxSlots) - 1;

// Event bits, as carried in a notification (Winsock's FD_ values).
enum : int32_t {
    kEventRead = 1,
    kEventWrite = 2,
    kEventOob = 4,
    kEventAccept = 8,
    kEventConnect = 16,
    kEventClose = 32,
};

// The platform's helper window (or its stand-in). It belongs to the thread
// that creates it: only that thread's pumps deliver its messages, and it
// hands each one to its context's SocketContext::Dispatch.
struct HelperWindow;

// Never null: a window that the platform could not make announces nothing.
HelperWindow *CreateHelperWindow(SocketContext &context);
// Drops whatever is still queued for the window.
void DestroyHelperWindow(HelperWindow *window);

// Asks for the given events of a socket to be announced under its slot's
// message number, and makes the socket non-blocking; 0 stops announcing
// and drops what is queued for the slot. An event is announced once and
// again only after the call that consumes it; a connect's end (with its
// error) and a peer's close are announced once per connection. Selecting
// again (as WSAAsyncSelect does) announces a read whose data is still
// queued, even one announced before and not consumed.
bool SelectEvents(HelperWindow &window, SocketHandle handle, int32_t slot, int32_t events);
// Bookkeeping that Winsock does by itself and a stand-in needs told: a
// connect has been started on the slot's socket; a call (a read) consumed
// the given events, so they may be announced again. moreQueued: the caller
// knows that data is still queued, so a stand-in may announce the read
// again at once without looking (Winsock looks by itself).
void ConnectStarted(HelperWindow &window, int32_t slot);
void EventsConsumed(HelperWindow &window, int32_t slot, int32_t events, bool moreQueued);

// Starts looking up name without blocking; its end is posted to the window
// as LOOKUP_DONE_MSG. Returns the request (never 0), or 0 when the platform
// refuses.
uintptr_t StartLookup(HelperWindow &window, const char *name);
// After LOOKUP_DONE_MSG with no error: the first address found (network
// order); false with the last error set when there is none. Frees the request.
bool TakeLookupResult(HelperWindow &window, uintptr_t request, uint32_t &address);
// Stops a running lookup (its end is then not posted) and frees the request.
void CancelLookup(HelperWindow &window, uintptr_t request);

// Dispatches every message of the window numbered first..last that is queued
// for the calling thread, and those that arrive meanwhile; other messages
// stay queued. On any thread but the window's own it dispatches nothing.
// Returns how many it dispatched.
int PumpWindowMessages(HelperWindow &window, uint32_t first, uint32_t last);

}  // namespace vd::net

#endif
