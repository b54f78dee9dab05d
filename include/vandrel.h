/*
 * Vandrel: find, inspect and configure network device servers on the LAN.
 *
 * The interface is 26 functions: 11 for UDP discovery and configuration, 5
 * for the TCP configuration session and 10 for TCP data channels and IO
 * modules. On Linux a 27th, VD_PumpMessages, stands in for a Windows message
 * loop. Every call returns one of the VD_ codes below, except the byte
 * count of VD_TCPSend, the handle of VD_TCPInit and the count of
 * VD_PumpMessages, and none throws.
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
 *   that thread's VD_PumpMessages dispatches them. Stream connects
 *   (VD_TCPConnect, VD_TCPInit, VD_LoginTCP, VD_SendCmd over TCP) pump
 *   while they wait when called on that thread. Called on another thread
 *   while the loading thread does not pump, they fail after about 3 s:
 *   VD_TCPConnect and VD_SendCmd return 0, VD_TCPInit NULL,
 *   VD_LoginTCP 103.
 */
#ifndef VANDREL_H
#define VANDREL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define VD_API __attribute__((visibility("default")))
#else
#define VD_API
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
#define VD_KEY_LEN 32     /* key of VD_GetDevConfigUDP */
#define VD_VALUE_LEN 64   /* value of VD_GetDevConfigUDP / VD_GetDevConfigTCP */
#define VD_PARAM_LEN 12   /* param of VD_SendCmd for GETADC/GETIOSTAT over TCP */

/* A host window: the library "sends it a message" by calling proc
   synchronously, on the thread that dispatches socket notifications. */
typedef struct VD_HostWindow VD_HostWindow;
typedef intptr_t (*VD_WindowProc)(VD_HostWindow *window, uint32_t msg,
                                  uintptr_t wparam, intptr_t lparam);
struct VD_HostWindow {
    VD_WindowProc proc; /* called for every notice */
    void *user;         /* the host's own pointer, never touched by the library */
};

/* ---- UDP discovery and configuration (serialised by one library lock) ---- */

/* Broadcasts a discovery request on UDP port 8800. Does not wait; collect the
   answers with VD_GetSearchDev. Returns 1. */
VD_API int32_t VD_SearchAll(void);

/* Sends the discovery request to one address (may be a directed broadcast).
   Returns 1. */
VD_API int32_t VD_Search(const char *addr);

/* Hands out the oldest device found so far: writes ip (VD_IP_LEN), version
   (VD_VERSION_LEN), mac (VD_MAC_LEN), code1 (type code), code2, port.
   Returns 1, or 0 when there is none (buffers untouched). Never waits. */
VD_API int32_t VD_GetSearchDev(char *ip, char *version, char *mac,
                               uint8_t *code1, uint8_t *code2, uint32_t *port);

/* Reads a family A device's settings by IP (waits up to about 2.2 s).
   Returns 1 when they arrived, 0 when not, 101 for a family B type. */
VD_API int32_t VD_GetDevInfoUDPbyIP(const char *ip, int32_t type);

/* Reads a family B device's blocks by MAC over broadcast (up to about 3.2 s).
   Returns 1, 0, or 101 for a type outside family B. */
VD_API int32_t VD_GetDevInfoUDPbyMAC(const char *mac, int32_t type);

/* Takes one key/value pair of the last read. An empty key takes the next
   visible pair and writes its name into key (VD_KEY_LEN); value gets
   VD_VALUE_LEN at most. "PASS" asked by name returns 0; "VERSION" always
   returns 1 with "V%d.%02d". Returns 1 found, 0 not. */
VD_API int32_t VD_GetDevConfigUDP(char *key, char *value);

/* Forgets every staged change. Returns 1. */
VD_API int32_t VD_ResetModifyConfigUDP(void);

/* Stages a new value for a key; sent by the next VD_ModifyDev* call.
   Returns 1. */
VD_API int32_t VD_SetModifyConfigUDP(const char *key, const char *value);

/* Reads the device, checks password against its "PASS", then writes the
   staged changes. Returns 1 sent, 100 no answer, 102 wrong password,
   101 family B type. */
VD_API int32_t VD_ModifyDevUDPbyIP(const char *ip, const char *password, int32_t type);

/* As VD_ModifyDevUDPbyIP for a family B device addressed by MAC. */
VD_API int32_t VD_ModifyDevUDPbyMAC(const char *mac, const char *password, int32_t type);

/* Sends one command ("RESETDEV", "10TCTRLIO", "RESETDEV10T", "GETADC",
   "GETIOSTAT", "SETIODIR", "SETIOLEVEL", "DOWNLOAD", "ERASE") over
   transport 1 (UDP) or 0 (TCP). param is the command's parameter (a family B
   device's MAC text); for GETADC/GETIOSTAT over TCP the reply "%d,%d" is
   written into it (VD_PARAM_LEN). Returns 1 done, 0 failed. */
VD_API int32_t VD_SendCmd(int32_t type, const char *addr, uint32_t port,
                          const char *cmd, char *param, uint8_t transport);

/* ---- TCP configuration session (family B; not locked) ---- */

/* Connects (if not yet connected) and logs in. Returns 1, 101 type not
   served, 103 no connection, 104 login not answered, 102 password refused. */
VD_API int32_t VD_LoginTCP(int32_t type, const char *host, uint32_t port, const char *password);

/* Reads one key into value (VD_VALUE_LEN). Returns 1, 0, 104, 105, 106,
   102, 107 or 108. */
VD_API int32_t VD_GetDevConfigTCP(const char *key, char *value);

/* Writes one key. A "_D1"/"_D2" value in decimal is rewritten in place as
   "0x%02X" (value needs room for that). Same results as VD_GetDevConfigTCP. */
VD_API int32_t VD_ModifyDevConfigTCP(const char *key, char *value);

/* Sends the reset command with the stored password. Returns 1 or 105. */
VD_API int32_t VD_ResetDevTCP(void);

/* Sends the exit command and closes. Returns 1 or 105. */
VD_API int32_t VD_ExitTCP(void);

/* ---- TCP data channel and IO-module commands (not locked) ---- */

/* Connects the default channel (waits about 3 s at most). Returns 1 or 0;
   1 at once when already connected, keeping that connection. */
VD_API int32_t VD_TCPConnect(const char *host, uint32_t port);

/* Sends on the default channel. Returns bytes sent, 0 would block or len 0,
   -1 error (the channel is closed). */
VD_API int32_t VD_TCPSend(const void *data, int32_t len);

/* Sets the window that receives default-channel data, in pieces of at most
   1023 bytes, as proc(hwnd, msg, (uintptr_t)bytes, count). Returns 1. */
VD_API int32_t VD_TCPSetRecHWnd(VD_HostWindow *hwnd, uint32_t msg);

/* Closes the default channel. Returns 1. */
VD_API int32_t VD_TCPDisconnect(void);

/* Opens a new channel; the host owns the handle until VD_TCPUninit.
   Returns the handle, or NULL when the connection failed. */
VD_API void *VD_TCPInit(const char *host, uint32_t port);

/* Closes and destroys a channel. NULL is ignored. Returns 1. */
VD_API int32_t VD_TCPUninit(void *handle);

/* Collects an earlier "GETADC" reply into a and b, then sends a new request.
   Returns 1 values written, 0 none yet, 103 request not sent. */
VD_API int32_t VD_GetAD(void *handle, uint32_t *a, uint32_t *b);

/* As VD_GetAD for "GETIOSTAT": two state bytes. */
VD_API int32_t VD_GetIO(void *handle, uint8_t *a, uint8_t *b);

/* Sends "SETIODIR" with value. Returns 1 sent, 103 not. */
VD_API int32_t VD_SetIODir(void *handle, uint8_t value);

/* Sends "SETIOLEVEL" with value. Returns 1 sent, 103 not. */
VD_API int32_t VD_SetIOLevel(void *handle, uint8_t value);

/* ---- Linux message loop ---- */

/* Dispatches pending socket notifications (connect finished, data readable,
   peer closed) of the library's socket context, waiting up to timeout_ms for
   the first (0: no wait). Serves only the thread that loaded the library;
   elsewhere returns 0. Returns how many it dispatched. */
VD_API int32_t VD_PumpMessages(int32_t timeout_ms);

#ifdef __cplusplus
}
#endif

#endif /* VANDREL_H */
