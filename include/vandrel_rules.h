/*
 * Vandrel's setting rules: for a device type code and a key/value pair,
 * whether a write would be refused and what the device would store, told
 * before anything is sent and worded as the vandrel tool words it. No
 * sockets, no state: every call may come from any thread.
 *
 * Texts are NUL-terminated 8-bit strings; a NULL const text counts as "".
 * Out buffers belong to the caller, who gives their room (terminator
 * included); a longer text is cut so that it fits. A NULL out buffer is
 * never written.
 */
#ifndef VANDREL_RULES_H
#define VANDREL_RULES_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__) && !defined(_WIN32)
#define VR_API __attribute__((visibility("default")))
#else
#define VR_API
#endif

/* Room that always holds a whole text of each kind. */
#define VR_STORED_LEN 64
#define VR_MESSAGE_LEN 512

/* The verdicts of VR_CheckSetting. */
#define VR_CHANGE 0       /* sent; the device stores the value as given */
#define VR_UNCHANGED 1    /* the device already holds the value */
#define VR_ALTERED 2      /* the device would store something else */
#define VR_UNKNOWN_KEY 3  /* not a key of this device type */
#define VR_READ_ONLY 4    /* the device shows it; it is never sent */
#define VR_IDENTITY 5     /* TYPE, MAC or VERSION: what the device is */
#define VR_CONTROL 6      /* a control character in the key or the value */
#define VR_UNKNOWN_TYPE 7 /* a type code of neither family */
#define VR_NOT_ALLOWED 8  /* stored as given, but outside the key's range or choices */

/* Checks one setting for a device of this type. current is the device's
 * value from a read, or NULL when the read did not show the key (or there
 * was none). Writes what a read would show after the write into stored (""
 * when the device does not take the key) and, for a verdict other than
 * VR_CHANGE and VR_UNCHANGED, why into message ("" otherwise). Returns
 * the verdict, or -1 when memory ran out. A control character is refused
 * whatever the type. */
VR_API int32_t VR_CheckSetting(int32_t type, const char *key, const char *value, const char *current,
                               char *stored, size_t storedRoom, char *message, size_t messageRoom);

/* Why key=value can never be sent, whatever the device: a control
 * character in either (a line break would end an AT command and start
 * another), a NUL included, for value holds valueLength bytes. Returns 1
 * with the refusal of VR_CheckSetting in message, 0 when there is none
 * ("" in message), -1 when memory ran out. */
VR_API int32_t VR_ControlRefusal(const char *key, const char *value, size_t valueLength, char *message,
                                 size_t messageRoom);

/* What a device of this type takes for key ("a number from 5 to 8 (bits)",
 * "0 = none, 1 = odd or 2 = even", "at most 15 characters"), as the
 * refusals word it; "" when the type does not take the key. Returns the
 * room the whole text needs, terminator included; it is written only when
 * it fits in room. */
VR_API size_t VR_Takes(int32_t type, const char *key, char *takes, size_t room);

/* What a key means to the person who sets it. The flags of
 * VR_KeyRule: */
#define VR_KEY_KNOWN 1     /* a key of the device type */
#define VR_KEY_READ_ONLY 2 /* shown by a read, never sent (TYPE, MAC, VERSION) */
#define VR_KEY_SECRET 4    /* PASS: shown masked, never echoed */
#define VR_KEY_RANGE 8     /* a whole number from lowest to highest */
#define VR_KEY_CHOICES 16  /* one of the choices of VR_KEY_TEXT_CHOICES */
#define VR_KEY_OFF 32      /* "invalid" too, which switches the setting off */

/* The flags of key on a device of this type, 0 when the type does not have
 * it. For VR_KEY_RANGE, and for VR_KEY_CHOICES (the least and the greatest
 * choice), writes the bounds into lowest and highest (either may be NULL). */
VR_API int32_t VR_KeyRule(int32_t type, const char *key, int64_t *lowest, int64_t *highest);

/* The texts of VR_KeyText. */
#define VR_KEY_TEXT_LABEL 0       /* "baud rate" */
#define VR_KEY_TEXT_GROUP 1       /* "device", "network", "port 2", "CAN 1", "IO", "IP filter" */
#define VR_KEY_TEXT_UNIT 2        /* "bit/s", "ms", "s", "bits", "bytes"; "" for none */
#define VR_KEY_TEXT_DESCRIPTION 3 /* one line */
#define VR_KEY_TEXT_CHOICES 4     /* "VALUE NAME\n" each ("9 115200 bit/s\n"); "" when none */

/* One text of what key means on a device of this type: which is one of
 * VR_KEY_TEXT_*; "" when the type does not have the key. Returns the room
 * the whole text needs, terminator included; it is written only when it
 * fits in room. 0 for another which, or when memory ran out. */
VR_API size_t VR_KeyText(int32_t type, const char *key, int32_t which, char *text, size_t room);

/* The family of a type code: 'A', 'B', or 0 for neither. For family B,
 * ports gets the device's number of serial ports (ports may be NULL). */
VR_API int32_t VR_FamilyOf(int32_t type, int32_t *ports);

/* A range of addresses that a search asks one by one: "A.B.C.D/N", decimal
 * only, with N from 16 to 32, where A.B.C.D may be any address of the range.
 * Returns 1 with the range's first address (host order) in first and its
 * number of addresses in count; 0 with why in message, worded as the
 * vandrel tool words it; -1 when memory ran out. first, count and message
 * may be NULL. */
VR_API int32_t VR_AddressRange(const char *text, uint32_t *first, uint32_t *count, char *message,
                               size_t messageRoom);

/* Whether a device's read agrees with the type code a host was given for
 * it: reported is the TYPE the read showed (NULL or "" when it showed none,
 * which agrees). Returns 1 when they agree; 0 with why in message, naming
 * both and worded as the vandrel tool words it after the device's address;
 * -1 when memory ran out. message may be NULL. */
VR_API int32_t VR_ReportedType(int32_t given, const char *reported, char *message, size_t messageRoom);

/* Whether one firmware download fits a family A device: 1 to 5 images,
 * which, each rounded up to whole 512-byte blocks, take at most 114176
 * bytes together. sizes holds the count images' sizes in bytes, or is NULL
 * to check the count alone before the files are read. Returns 1 when they
 * fit; 0 with why in message, worded as the vandrel tool words it; -1 when
 * memory ran out. message may be NULL. */
VR_API int32_t VR_FirmwareImages(const uint64_t *sizes, uint32_t count, char *message, size_t messageRoom);

/* A firmware version as a device tells it ("1.06" in a search answer,
 * "V1.06" in a read: 1 or 2 decimal digits, a dot and 2 more, after an
 * optional 'V' or 'v') in hundredths: 106. -1 for any other text or NULL.
 * Front ends compare versions by it, to refuse a downgrade not asked for. */
VR_API int32_t VR_FirmwareVersion(const char *text);

/* 1 when key names what a device is (TYPE, MAC, VERSION), not a setting. */
VR_API int32_t VR_IsIdentityKey(const char *key);

/* 1 when key holds a secret (PASS, the device's password): the messages
 * here never echo its value, and a front end shows it masked. */
VR_API int32_t VR_IsSecretKey(const char *key);

/* The keys a read of a device of this type shows, one per line, each
 * followed by "\n". Returns the room the whole list needs, terminator
 * included; the list is written only when it fits in room. */
VR_API size_t VR_KeysOf(int32_t type, char *keys, size_t room);

/* The bytes of what a device sends on a data channel that a host keeps for
 * one answer (the vandrel tool's data command) or between two reads (the
 * Python module's DataChannel): VR_DATA_BYTES unless the caller raises it,
 * VR_DATA_MAX_BYTES at most. A device may send without end; what comes
 * beyond the cap is dropped, and the host says that the answer was cut. */
#define VR_DATA_BYTES 65536u
#define VR_DATA_MAX_BYTES 1048576u

/* The two caps above, for hosts that do not read this header; either
 * pointer may be NULL. */
VR_API void VR_DataLimits(uint32_t *bytes, uint32_t *maxBytes);

#ifdef __cplusplus
}
#endif

#endif
