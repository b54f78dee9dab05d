// Device command packets: AA, code, payload length n, payload, XOR check byte
// over everything before it, 0D. The same framing in both directions; a reply
// carries the code of the request it answers.
#ifndef VANDREL_COMMAND_PACKETS_COMMAND_PACKET_H
#define VANDREL_COMMAND_PACKETS_COMMAND_PACKET_H

#include <cstddef>
#include <cstdint>

namespace vd {

enum CommandCode : uint8_t {
    CMD_GETIOSTAT = 1,
    CMD_SETIODIR = 2,
    CMD_SETIOLEVEL = 3,
    CMD_RESETDEV = 4,
    CMD_GETADC = 5,
};

constexpr size_t kMaxPacket = 255 + 5;

// Builds the packet for a command name ("RESETDEV", "GETADC", "GETIOSTAT",
// "SETIODIR", "SETIOLEVEL"; out needs kMaxPacket bytes). Stores the length
// only for a known name, so the caller's length keeps its value otherwise.
void BuildCommandPacket(uint8_t *out, size_t &length, const char *name, const char *param);

// Finds the first well-formed reply packet with the wanted code in count
// received bytes (a packet whose check byte is wrong is skipped and the scan
// goes on after its start mark); copies its payload, cut to payloadCap bytes,
// and stores how many bytes it copied. False when there is none.
bool FindReplyPacket(uint8_t code, const uint8_t *data, size_t count, uint8_t *payload,
                    size_t payloadCap, size_t &payloadLen);

// The two readings of a "GETADC" (two bytes each, most significant first) or
// "GETIOSTAT" (one byte each) reply payload. Missing bytes read as 0; returns
// false when any was missing, or for a code whose reply carries no readings.
bool ReplyReadings(uint8_t code, const uint8_t *payload, size_t length, uint32_t readings[2]);

// "%d,%d" text of a "GETADC" or "GETIOSTAT" reply payload into text (room for
// textCap bytes); other names leave text unchanged. Missing payload bytes
// read as 0.
void FormatReplyData(const uint8_t *payload, size_t length, const char *name, char *text,
                     size_t textCap);

}  // namespace vd

#endif
