/*
 * Vandrel fleets: many device operations at once, in one process.
 *
 * A fleet runs reads and confirmed writes of many devices concurrently on a
 * thread of its own, firmware downloads and restarts of family A devices,
 * named commands and searches: each operation is queued at once and ends by itself,
 * the reads and writes of different devices side by side on the wire, each
 * at its own device's pace; two operations on one device run one after the
 * other, in the order submitted. A host learns that an operation ended by
 * its completion callback, by the completion handle (readable while ended
 * operations wait to be taken), or by waiting for it; then it reads the
 * result and the pairs. Fleets share nothing with the VD_ calls of
 * vandrel.h, nor with each other.
 *
 * Results are the VD_ codes of vandrel.h: VD_OK, VD_FAIL (no answer to a
 * read; a write that did not take, undone where the family undoes it),
 * VD_NO_INFO (no answer to a write's read), VD_WRONG_PASSWORD,
 * VD_WRONG_FAMILY (a type code of no family) and VD_TIMEOUT (the deadline
 * passed before the operation could start: the device's earlier operations,
 * or another writer of it, held it that long); VF_PENDING while it runs and
 * VF_UNKNOWN for an operation the fleet does not hold.
 *
 * Devices are named as in vandrel.h: family A by IP (dotted IPv4 text),
 * family B by MAC text (any case). Texts are NUL-terminated; out buffers
 * have at least VD_KEY_LEN and VD_VALUE_LEN bytes and get terminated texts,
 * cut to fit. No call throws. Every call may come from any thread, the
 * callback included, except VF_Destroy (not from the callback).
 */
#ifndef VANDREL_FLEET_H
#define VANDREL_FLEET_H

#include "vandrel.h"

#ifdef __cplusplus
extern "C" {
#endif

#define VF_API VD_API
#define VF_CALL VD_CALL

/* The interface version VF_Version returns; it grows when calls are added. */
#define VF_VERSION 4

#define VF_PENDING (-1) /* the operation has not ended */
#define VF_UNKNOWN (-2) /* no such operation in this fleet */

/* What VF_Count counts, added up over the operations that have ended. */
#define VF_RESENT 1     /* requests sent again: no answer came in time, or a
                           read-back showed the change had not taken */
#define VF_DUPLICATES 2 /* answers heard again that carried nothing new: a
                           duplicating link, or answers to the copies */

typedef struct VF_Fleet VF_Fleet;
/* An operation of a fleet: never 0. */
typedef uint64_t VF_Op;
/* Told on the fleet's thread as each operation ends, with its result. */
typedef void(VF_CALL *VF_Completion)(void *user, VF_Op op, int32_t result);

/* The version of this interface the library carries (VF_VERSION). */
VF_API uint32_t VF_CALL VF_Version(void);

/* A new fleet and its thread. done (may be NULL) is called as each
   operation ends, with user. Returns NULL when it cannot start. */
VF_API VF_Fleet *VF_CALL VF_Create(VF_Completion done, void *user);

/* Stops the fleet: operations still running are dropped mid-way, so a host
   waits for its writes first. Returns once every completion call of an
   operation that ended has returned. Every VF_Op of it is invalid
   afterwards. */
VF_API void VF_CALL VF_Destroy(VF_Fleet *fleet);

/* Reads every setting of one device. deadlineMs bounds the read, from now,
   its wait behind the device's earlier operations included. Returns the
   operation; its pairs are the settings (the password left out). */
VF_API VF_Op VF_CALL VF_Read(VF_Fleet *fleet, const char *device, int32_t type, uint32_t deadlineMs);

/* Writes count key/value pairs to one device, all or nothing per family as
   the VD_ writes do: it reads the device first (within deadlineMs from now),
   checks password, then writes and reads back until every pair is seen
   taken. A write that has begun is not cut short by the deadline. After a
   write that did not take, the operation's pairs are those that did not.
   Writes of one device take turns with every other write of it by this
   user (the VD_ writes, other fleets, other processes), through a lock per
   device that the system gives back when its holder ends, however it ends;
   the wait for it counts in deadlineMs. */
VF_API VF_Op VF_CALL VF_Write(VF_Fleet *fleet, const char *device, int32_t type, const char *password,
                              const char *const *keys, const char *const *values, uint32_t count,
                              uint32_t deadlineMs);

/* Downloads firmware images to one family A device over UDP (version 2):
   the count files at paths (1 to 5, fitting the device together; the device
   is told their base names), read when the download starts, announced in a
   manifest and sent in 512-byte chunks, each acknowledged by the device
   before the next goes out and sent again while its answer does not come.
   deadlineMs bounds it all, from now. VD_OK when every packet was
   acknowledged; VD_FAIL leaves the device without the images whole. The
   device runs them after a restart (VF_Restart). */
VF_API VF_Op VF_CALL VF_Download(VF_Fleet *fleet, const char *device, int32_t type, const char *const *paths,
                                 uint32_t count, uint32_t deadlineMs);

/* Restarts one family A device and waits, within deadlineMs from now, for it
   to come back (version 2): the restart is sent again while the device
   still answers, then the device is asked until it answers. VD_OK once it
   is back, with the pairs its answer tells: IP, MAC, TYPE and VERSION (as
   VF_Read hands it out, when the device's answer carries it); VD_FAIL for a
   device that never went down or never came back. */
VF_API VF_Op VF_CALL VF_Restart(VF_Fleet *fleet, const char *device, int32_t type, uint32_t deadlineMs);

/* Sends one named command to one device over UDP, once, as VD_SendCmd
   does over UDP (version 4): family A "RESETDEV", "10TCTRLIO" and, for
   type 7 alone, "RESETDEV10T", param being the command's number (NULL as
   ""); family B "RESETDEV", broadcast naming the device by its MAC (param
   unused). A UDP command is not answered: VD_OK once it went out, VD_FAIL
   for a command the device's type does not take or a send that failed. It
   waits behind the device's earlier operations, within deadlineMs from
   now; a restart sent after a write of the device goes once the write has
   ended. Returns 0 when command is NULL. */
VF_API VF_Op VF_CALL VF_Command(VF_Fleet *fleet, const char *device, int32_t type, const char *command,
                                const char *param, uint32_t deadlineMs);

/* Searches for devices (version 4): sends the search request to UDP port
   8800 of address (dotted IPv4 text, which may be a directed broadcast;
   NULL or "": the broadcast address, along every broadcast path), again
   every 250 ms, and collects the answers of both families for waitMs from
   now, each distinct answer once, at most 131,072 (those past it are
   counted, not kept). With until (a device's IP or MAC text; NULL or "":
   none) it ends as soon as that device answered, and repeats every 100 ms.
   It waits for no operation on a device, only for an earlier search of the
   same address. VD_OK when a device answered, VD_FAIL when none did; its
   pairs are REQUESTS (the requests sent) and LEFT_OUT (answers past the
   bound). The answers are taken with VF_TakeFound, as they come and after
   the search ended, until it is released. */
VF_API VF_Op VF_CALL VF_Search(VF_Fleet *fleet, const char *address, const char *until, uint32_t waitMs);

/* Hands out the oldest answer of search op not yet taken, once, as
   VD_GetSearchDev does: ip gets VD_IP_LEN bytes at most, version
   VD_VERSION_LEN, mac VD_MAC_LEN; code1 (the device's type code), code2
   and port one value each (any may be NULL). Returns VD_OK, or VD_FAIL
   when no answer is waiting (nothing is written then) or op is no search
   of this fleet. Never waits. */
VF_API int32_t VF_CALL VF_TakeFound(VF_Fleet *fleet, VF_Op op, char *ip, char *version, char *mac, uint8_t *code1,
                                    uint8_t *code2, uint32_t *port);

/* The operation's result (VF_PENDING while it runs). Never waits. */
VF_API int32_t VF_CALL VF_Result(VF_Fleet *fleet, VF_Op op);

/* Waits at most timeoutMs for the operation to end; its result. */
VF_API int32_t VF_CALL VF_Wait(VF_Fleet *fleet, VF_Op op, uint32_t timeoutMs);

/* Pair index (from 0) of an ended operation: key (VD_KEY_LEN) and value
   (VD_VALUE_LEN). Returns VD_OK, or VD_FAIL past the last pair or while the
   operation runs. */
VF_API int32_t VF_CALL VF_GetPair(VF_Fleet *fleet, VF_Op op, uint32_t index, char *key, char *value);

/* The value of key in an ended operation's pairs (VD_VALUE_LEN). Returns
   VD_OK, or VD_FAIL when it has no such key (value is then ""). */
VF_API int32_t VF_CALL VF_GetValue(VF_Fleet *fleet, VF_Op op, const char *key, char *value);

/* The oldest ended operation not yet taken, or 0 when none is waiting. */
VF_API VF_Op VF_CALL VF_TakeCompleted(VF_Fleet *fleet);

/* A handle that is readable while ended operations wait for
   VF_TakeCompleted: a file descriptor for poll on POSIX, a SOCKET for
   select on Windows. The host only waits on it. */
VF_API intptr_t VF_CALL VF_CompletionHandle(VF_Fleet *fleet);

/* Forgets an ended operation and its pairs; one still running is kept. */
VF_API void VF_CALL VF_Release(VF_Fleet *fleet, VF_Op op);

/* Counter (VF_RESENT or VF_DUPLICATES) of the fleet's ended operations, all
   of them since VF_Create, released ones included; 0 for another counter.
   (Version 3.) */
VF_API uint64_t VF_CALL VF_Count(VF_Fleet *fleet, int32_t counter);

#ifdef __cplusplus
}
#endif

#endif
