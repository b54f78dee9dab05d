/*
 * Vandrel: find, inspect and configure network device servers on the LAN.
 *
 * The interface is 26 functions: 11 for UDP discovery and configuration, 5
 * for the TCP configuration session and 10 for TCP data channels and IO
 * modules. On Linux a 27th, VD_PumpMessages, stands in for a Windows message
 * loop; on Windows the host's own message loop does its work. Every call
 * returns one of the VD_ codes below, except the byte count of VD_TCPSend,
 * the handle of VD_TCPInit and the count of VD_PumpMessages, and none throws.
 *
 * The library has no threads of its own: every call runs, and waits, on the
 * caller's thread. Waits are bounded and polled in 10 ms steps.
 *
 * Text arguments are NUL-terminated 8-bit strings; a NULL const text counts
 * as "". Out buffers belong to the host and must have at least the sizes of
 * the VD_*_LEN constants below; the library never writes past them and cuts
 * a longer text so that it fits, terminator included. A NULL out buffer is
 * never written.
 *
 * A `type` argument is a device type code; only its low 8 bits count.
 * Family A: 1-9, 17, 18, 19, 33 (addressed by IP). Family B: 32, 48, 56, 64
 * (addressed by MAC text "%02X:%02X:%02X:%02X:%02X:%02X", upper case).
 *
 * What a host relies on:
 * - Keys are case-sensitive: "NAME" is found, "name" is not.
 * - A key that is not found (VD_GetDevConfigUDP returns 0) leaves value
 *   empty (""). "PASS" asked by name returns 0 and leaves value untouched;
 *   "VERSION" always returns 1 ("V1.00" when the device reported none).
 * - Each pair is handed out once. An empty key takes the next pair and
 *   writes its name into key, so empty key[0] again before each step: a key
 *   left filled in asks for that pair again, which is gone (0). Stepping after
 *   a named lookup lists every pair but the ones already taken; "PASS" is
 *   listed when stepping.
 * - Every answer to a search is one record until VD_GetSearchDev hands it
 *   out: two searches before collecting list a device twice.
 * - Socket notifications belong to the thread that loaded the library; only
 *   that thread's VD_PumpMessages (on Windows, its message loop) dispatches
 *   them. Stream connects (VD_TCPConnect, VD_TCPInit, VD_LoginTCP,
 *   VD_SendCmd over TCP) pump while they wait when called on that thread.
 *   Called on another thread while the loading thread does not pump, they
 *   fail after about 3 s: VD_TCPConnect and VD_SendCmd return 0, VD_TCPInit
 *   NULL, VD_LoginTCP 103.
 */
#ifndef VANDREL_H
#define VANDREL_H

#include <stdint.h>

#ifdef _WIN32
#include <windows.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* On Windows the DLL's export list names the exports and they use the
   platform's calling convention (WINAPI); elsewhere they and the fleet
   interface's VF_ calls (vandrel_fleet.h) are the shared object's only
   visible symbols. */
#ifdef _WIN32
#define VD_API
#define VD_CALL WINAPI
#elif defined(__GNUC__)
#define VD_API __attribute__((visibility("default")))
#define VD_CALL
#else
#define VD_API
#define VD_CALL
#endif

/* Return codes. Values are fixed and never renumbered. */
#define VD_FAIL 0              /* nothing found, no reply, refused */
#define VD_OK 1                /* success */
#define VD_NO_INFO 100         /* device did not answer the read before a write */
#define VD_WRONG_FAMILY 101    /* type code of a family this call does not serve */
#define VD_WRONG_PASSWORD 102  /* password mismatch or device password error */
#define VD_NO_CONNECTION 103   /* TCP connect failed, or data-channel send failed */
#define VD_TIMEOUT 104         /* no reply in time (TCP session) */
#define VD_NOT_SENT 105        /* session command not sent, or not logged in */
#define VD_INVALID_COMMAND 106 /* device: invalid command */
#define VD_PARAM_FORMAT 107    /* device: parameter format error */
#define VD_PARAM_COUNT 108     /* device: wrong number of parameters */

/* Room the host gives for each out text, terminator included. */
#define VD_IP_LEN 16      /* ip of VD_GetSearchDev */
#define VD_VERSION_LEN 5  /* version of VD_GetSearchDev */
#define VD_MAC_LEN 18     /* mac of VD_GetSearchDev */
#define VD_KEY_LEN 32     /* key of VD_GetDevConfigUDP, when it is filled in */
#define VD_VALUE_LEN 64   /* value of VD_GetDevConfigUDP / VD_GetDevConfigTCP */
#define VD_PARAM_LEN 12   /* param of VD_SendCmd for GETADC/GETIOSTAT over TCP */
/* value of VD_ModifyDevConfigTCP, when rewritten: 16 bytes, or its text's length + 1
   if that is more. */

#ifndef _WIN32
/* A host window where there are no window messages: the library "sends it a
   message" by calling proc synchronously, on the thread that dispatches
   socket notifications. On Windows the host's window is an HWND. */
typedef struct VD_HostWindow VD_HostWindow;
typedef intptr_t (*VD_WindowProc)(VD_HostWindow *window, uint32_t msg,
                                  uintptr_t wparam, intptr_t lparam);
struct VD_HostWindow {
    VD_WindowProc proc; /* called for every notice */
    void *user;         /* the host's own pointer, never touched by the library */
};
#endif

/* ---- UDP discovery and configuration (serialised by one library lock) ---- */

/* Broadcasts a discovery request to UDP port 8800 and returns at once; the
   answers are collected with VD_GetSearchDev while the host waits as it
   likes. Returns 1. */
VD_API int32_t VD_CALL VD_SearchAll(void);

/* As VD_SearchAll, sent to one address only (addr: dotted IPv4 text, which
   may be a directed broadcast). Returns 1. */
VD_API int32_t VD_CALL VD_Search(const char *addr);

/* Hands out the oldest device found by the searches so far, once.
   Buffers: ip gets VD_IP_LEN bytes at most, version VD_VERSION_LEN, mac
   VD_MAC_LEN; code1 (the type code to pass to the other calls), code2 and
   port one value each.
   Returns 1, or 0 when no device is waiting (nothing is written then).
   Never waits. */
VD_API int32_t VD_CALL VD_GetSearchDev(char *ip, char *version, char *mac,
                               uint8_t *code1, uint8_t *code2, uint32_t *port);

/* Reads a family A device's settings by IP, for VD_GetDevConfigUDP. Waits
   for the answer, about 2.2 s at most, sending the request again every
   300 ms or so while none has come.
   Returns 1 when they arrived, 0 when not, 101 for a family B type (at
   once, nothing sent). */
VD_API int32_t VD_CALL VD_GetDevInfoUDPbyIP(const char *ip, int32_t type);

/* Reads a family B device's settings by MAC, for VD_GetDevConfigUDP: its
   blocks are asked for by broadcast on UDP port 8801. mac is the text
   "%02X:%02X:%02X:%02X:%02X:%02X" in upper case; answers are matched by
   exact comparison, so other spellings never match. Waits about 3.2 s at
   most, until every block of the model has arrived: a block that arrives
   twice counts once, and blocks still missing are asked for again every
   300 ms or so.
   Returns 1, 0, or 101 for a type outside family B (at once). */
VD_API int32_t VD_CALL VD_GetDevInfoUDPbyMAC(const char *mac, int32_t type);

/* Takes one key/value pair of the last read, which is then gone.
   key: with a name, the pair of that name (the name is read up to its
   terminator, at most VD_KEY_LEN - 1 characters, and key is not written);
   empty, the next pair the device family does not hide, whose name is then
   written into key, which needs VD_KEY_LEN bytes for it.
   value: VD_VALUE_LEN bytes at most; "" when nothing was found.
   "PASS" asked by name returns 0 and leaves value alone (stepping through
   with an empty key hands it out); "VERSION" always returns 1 with
   "V%d.%02d", "V1.00" when the device gave none.
   Returns 1 found, 0 not. */
VD_API int32_t VD_CALL VD_GetDevConfigUDP(char *key, char *value);

/* Forgets every staged change. Returns 1. */
VD_API int32_t VD_CALL VD_ResetModifyConfigUDP(void);

/* Stages a new value for a key (staged again, the key keeps its place and
   takes the new value). Staged changes stay until VD_ResetModifyConfigUDP
   and are sent by every VD_ModifyDev* call. Returns 1. */
VD_API int32_t VD_CALL VD_SetModifyConfigUDP(const char *key, const char *value);

/* Reads the family A device at ip (as VD_GetDevInfoUDPbyIP), compares
   password with its "PASS", of which at most the first 19 characters count
   (a longer password never matches), then sends the staged changes and
   reads the device back: what it does not hold as staged is sent again, a
   few times at most. Takes at least 500 ms after the last write.
   Returns 1 written and confirmed, 0 not confirmed (see below), 100 no
   answer to the read, 102 wrong password (nothing sent), 101 family B type
   (at once). */
VD_API int32_t VD_CALL VD_ModifyDevUDPbyIP(const char *ip, const char *password, int32_t type);

/* As VD_ModifyDevUDPbyIP for a family B device addressed by MAC (as
   VD_GetDevInfoUDPbyMAC): the block that holds the password is read, and
   the blocks of the staged keys that this device's last read did not bring,
   then the blocks with changes are written, each read back, and a restart
   request sent once every block holds what was staged. All or nothing: a
   block that still does not take after a few tries has the blocks written
   before it written back as they were read, and no restart is sent; a key
   whose block cannot be read is not written at all.
   Returns 1, 0 not confirmed (see below), 100, 102, or 101 for a type
   outside family B.

   After either write returns 0, VD_GetDevConfigUDP with an empty key hands
   out the staged keys that did not take, with their staged values, one per
   call, then returns 0; after a write that returns 1 it hands out
   nothing. */
VD_API int32_t VD_CALL VD_ModifyDevUDPbyMAC(const char *mac, const char *password, int32_t type);

/* Sends one command ("RESETDEV", "10TCTRLIO", "RESETDEV10T", "GETADC",
   "GETIOSTAT", "SETIODIR", "SETIOLEVEL", "DOWNLOAD", "ERASE") to addr:port
   over transport 1 (UDP) or 0 (TCP). Family B takes "RESETDEV" over UDP
   only, and ignores addr and port.
   param: the command's parameter as text (a family B device's MAC text; for
   "DOWNLOAD" up to five image file paths joined by '*'). It is written only
   for "GETADC" and "GETIOSTAT" sent over TCP, with the reply "%d,%d", and
   then needs VD_PARAM_LEN bytes; otherwise it is only read.
   Returns 1 done, 0 failed or refused. */
VD_API int32_t VD_CALL VD_SendCmd(int32_t type, const char *addr, uint32_t port,
                          const char *cmd, char *param, uint8_t transport);

/* ---- TCP configuration session (family B; not locked) ---- */

/* Connects to host:port (if not yet connected; host: dotted IPv4 text or a
   host name; waits about 3 s at most) and logs in with password, waiting up
   to 4 s for each answer. A password of more than 170 characters is refused
   (102) without connecting; the first 19 characters are kept for
   VD_ResetDevTCP.
   A password holding a control character (CR, LF, any byte below 0x20,
   DEL) is refused (107) without connecting.
   Returns 1, 101 type not served, 103 no connection, 104 login not
   answered, 102 password refused, 107 control character. */
VD_API int32_t VD_CALL VD_LoginTCP(int32_t type, const char *host, uint32_t port, const char *password);

/* Reads one setting of the session's device, waiting up to 2 s for the
   answer. A "_D1"/"_D2" value, which the device gives in hex, is handed out
   in decimal.
   value: VD_VALUE_LEN bytes at most, written only with result 1.
   A key of more than 197 characters is not sent (105); a key holding a
   control character (CR, LF, any byte below 0x20, DEL) is refused (107)
   and not sent.
   Returns 1, 0 unknown answer, 104 no answer, 105 not sent or not logged
   in, or the device's error: 106, 102, 107, 108. */
VD_API int32_t VD_CALL VD_GetDevConfigTCP(const char *key, char *value);

/* Writes one setting of the session's device, waiting up to 2 s for the
   answer. For a "_D1"/"_D2" key the device takes hex, so a value that
   neither begins with "0x" nor is "invalid" is first rewritten in place as
   "0x%02X" of its decimal number: value must then be writable, with room
   for 16 bytes, or for its text and terminator if that is more; the
   library writes no further. Key and value together may hold 197
   characters; a longer line is not sent (105). A key or value holding a
   control character is refused (107) and not sent: a line break would end
   the command and start another.
   Same results as VD_GetDevConfigTCP. */
VD_API int32_t VD_CALL VD_ModifyDevConfigTCP(const char *key, char *value);

/* Sends the reset command with the password of the last login and does not
   wait for the answer. Returns 1 sent, or 105 (the connection is closed). */
VD_API int32_t VD_CALL VD_ResetDevTCP(void);

/* Sends the exit command and closes the connection 100 ms later.
   Returns 1, or 105 when it could not be sent (closed at once). */
VD_API int32_t VD_CALL VD_ExitTCP(void);

/* ---- TCP data channel and IO-module commands (not locked) ---- */

/* Connects the default channel to host:port (host: dotted IPv4 text or a
   host name; waits about 3 s at most). Returns 1 or 0; 1 at once when
   already connected, keeping that connection. */
VD_API int32_t VD_CALL VD_TCPConnect(const char *host, uint32_t port);

/* Sends len bytes of data (all read) on the default channel.
   Returns bytes sent, 0 when the send would block, len is 0 or below or
   data is NULL, -1 on an error (the channel is then closed). */
VD_API int32_t VD_CALL VD_TCPSend(const void *data, int32_t len);

#ifdef _WIN32
/* Sets the window that receives default-channel data: every piece that
   arrives is sent to it as SendMessage(hwnd, msg, (WPARAM)bytes,
   (LPARAM)count) on the thread that loaded the library, from its message
   loop. bytes holds at most 1023 bytes followed by a zero byte and is valid
   only during the call. NULL stops the delivery. Returns 1. */
VD_API int32_t VD_CALL VD_TCPSetRecHWnd(HWND hwnd, uint32_t msg);
#else
/* Sets the window that receives default-channel data: every piece that
   arrives calls hwnd->proc(hwnd, msg, (uintptr_t)bytes, count) on the
   thread that loaded the library, from VD_PumpMessages. bytes holds at most
   1023 bytes followed by a zero byte and is valid only during the call.
   The library keeps the pointer, not a copy: *hwnd must stay valid until
   another window, or NULL (no delivery), is set. Returns 1. */
VD_API int32_t VD_CALL VD_TCPSetRecHWnd(VD_HostWindow *hwnd, uint32_t msg);
#endif

/* Closes the default channel. Returns 1. Called on another thread while the
   loading thread hands the channel's data to the receiving window, it
   returns once that call has: the window's procedure must not wait for the
   thread that closes. */
VD_API int32_t VD_CALL VD_TCPDisconnect(void);

/* Opens a new channel to host:port (as VD_TCPConnect). The handle belongs to
   the host until VD_TCPUninit and is valid only for the calls below that
   take one. Returns the handle, or NULL when the connection failed. */
VD_API void *VD_CALL VD_TCPInit(const char *host, uint32_t port);

/* Closes and destroys a channel of VD_TCPInit; the handle must not be used
   again. NULL is ignored. Returns 1. Called on another thread while the
   loading thread handles a notice of the channel (connect finished, data,
   peer closed), it returns once that handling has ended. */
VD_API int32_t VD_CALL VD_TCPUninit(void *handle);

/* Collects, without waiting, the readings of a "GETADC" reply that arrived
   since the last call into a and b (one value each), then sends a new
   request: each call returns the answer to an earlier one, and the first
   call on a channel returns 0.
   Returns 1 values written, 0 none yet, 103 request not sent or NULL
   handle. */
VD_API int32_t VD_CALL VD_GetAD(void *handle, uint32_t *a, uint32_t *b);

/* As VD_GetAD for "GETIOSTAT": two state bytes, one into a and one into b.
   A send that would block counts as not sent (103). */
VD_API int32_t VD_CALL VD_GetIO(void *handle, uint8_t *a, uint8_t *b);

/* Sends "SETIODIR" with value. Returns 1 sent, 103 not (or NULL handle). */
VD_API int32_t VD_CALL VD_SetIODir(void *handle, uint8_t value);

/* Sends "SETIOLEVEL" with value. Returns 1 sent, 103 not (or NULL handle). */
VD_API int32_t VD_CALL VD_SetIOLevel(void *handle, uint8_t value);

#ifndef _WIN32
/* ---- Linux message loop ---- */

/* Dispatches pending socket notifications (connect finished, data readable,
   peer closed) of the library's socket context, waiting up to timeout_ms for
   the first (0: no wait). Serves only the thread that loaded the library;
   elsewhere returns 0. Returns how many it dispatched. */
VD_API int32_t VD_CALL VD_PumpMessages(int32_t timeout_ms);
#endif

#ifdef __cplusplus
}
#endif

#endif /* VANDREL_H */
