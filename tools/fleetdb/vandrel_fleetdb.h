/*
 * The fleet database for front ends in other languages (the Python module
 * and, through it, the Ansible modules): open the file, append the audit
 * rows of one write, keep a snapshot of a read, close. The rows are those the vandrel tool appends,
 * in the same file. No call throws; a handle serves one thread at a time.
 *
 * Texts are NUL-terminated; a NULL text counts as "" unless said otherwise.
 * Out buffers belong to the caller, who gives their room (terminator
 * included); a longer text is cut so that it fits.
 */
#ifndef VANDREL_FLEETDB_H
#define VANDREL_FLEETDB_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__) && !defined(_WIN32)
#define VDB_API __attribute__((visibility("default")))
#else
#define VDB_API
#endif

typedef struct VDB_Db VDB_Db;

/* One key of a write: its value before (NULL when the device's read did
 * not show the key) and after, and whether the device was seen to hold it. */
typedef struct VDB_Row {
    const char *key;
    const char *before;
    const char *after;
    int32_t confirmed;
} VDB_Row;

/* One setting of a snapshot. */
typedef struct VDB_Pair {
    const char *key;
    const char *value;
} VDB_Pair;

/* Opens (or creates) the file at path and brings its layout up to date.
 * With path NULL, the file the vandrel tool chooses: VANDREL_DB, else the
 * user's state file ($XDG_STATE_HOME/vandrel/fleet.db, else
 * ~/.local/state/vandrel/fleet.db, its folder made). Returns NULL with why
 * in message, which is "" when the database is off on purpose
 * (VANDREL_DB=off) or when no file was named and this build keeps none. */
VDB_API VDB_Db *VDB_Open(const char *path, char *message, size_t room);

/* Appends the rows of one write to device (the address the write named),
 * in one transaction and at one time. mac is the device's ("" for the one
 * the inventory last saw at device's address), actor NULL for the user the
 * process runs as, operation NULL for a new one. A password's values are
 * kept only as "(changed)". Returns 1, or 0 with why in message. */
VDB_API int32_t VDB_AppendWrite(VDB_Db *db, const char *actor, const char *channel, const char *device,
                                const char *mac, const char *operation, const VDB_Row *rows, uint32_t count,
                                char *message, size_t room);

/* Keeps what a whole read of device (the address the read named) gave as
 * a snapshot of it, the password left out. Its MAC is the read's "MAC",
 * else mac, else the one the inventory last saw at device's address; a
 * device whose MAC none of them tells is not kept. type is its type code.
 * Returns 1, or 0 with why in message. */
VDB_API int32_t VDB_KeepSnapshot(VDB_Db *db, const char *device, const char *mac, int32_t type,
                                 const VDB_Pair *pairs, uint32_t count, char *message, size_t room);

/* Closes the file; NULL is allowed. */
VDB_API void VDB_Close(VDB_Db *db);

#ifdef __cplusplus
}
#endif

#endif
