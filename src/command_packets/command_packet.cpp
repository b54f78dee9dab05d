#include "command_packets/command_packet.h"

#include <algorithm>
#include <cstring>

#include "base/byte_reader.h"
#include "base/text.h"

namespace vd {

namespace {

constexpr uint8_t kStartMark = 0xAA;
constexpr uint8_t kEndMark = 0x0D;

// The commands a device understands. A command that takes a parameter sends
// its decimal value as one byte; readingWidth is the size of each of the two
// readings in the reply payload (0: the reply carries none).
struct CommandForm {
    const char *name;
    uint8_t code;
    bool takesParam;
    size_t readingWidth;
};

constexpr CommandForm kCommands[] = {
    {"RESETDEV", CMD_RESETDEV, false, 0},
    {"GETADC", CMD_GETADC, false, 2},
    {"GETIOSTAT", CMD_GETIOSTAT, false, 1},
    {"SETIODIR", CMD_SETIODIR, true, 0},
    {"SETIOLEVEL", CMD_SETIOLEVEL, true, 0},
};

const CommandForm *FindByName(const char *name) {
    for (const CommandForm &form : kCommands)
        if (name && std::strcmp(form.name, name) == 0) return &form;
    return nullptr;
}

const CommandForm *FindByCode(uint8_t code) {
    for (const CommandForm &form : kCommands)
        if (form.code == code) return &form;
    return nullptr;
}

// The check byte of a packet: the XOR of everything before it.
uint8_t CheckByte(const uint8_t *data, size_t count) {
    uint8_t check = 0;
    for (size_t i = 0; i < count; ++i) check ^= data[i];
    return check;
}

// Writes the packet into out (room for n + 5 bytes); returns n + 5.
size_t EncodePacket(uint8_t code, uint8_t n, const uint8_t *payload, uint8_t *out) {
    out[0] = kStartMark;
    out[1] = code;
    out[2] = n;
    if (n > 0) std::memcpy(out + 3, payload, n);
    out[n + 3] = CheckByte(out, size_t(n) + 3);
    out[n + 4] = kEndMark;
    return size_t(n) + 5;
}

}  // namespace

void BuildCommandPacket(uint8_t *out, size_t &length, const char *name, const char *param) {
    const CommandForm *form = FindByName(name);
    if (!form) return;
    if (form->takesParam) {
        const uint8_t value = static_cast<uint8_t>(AtoI(OrEmpty(param)));
        length = EncodePacket(form->code, 1, &value, out);
    } else {
        length = EncodePacket(form->code, 0, nullptr, out);
    }
}

bool FindReplyPacket(uint8_t code, const uint8_t *data, size_t count, uint8_t *payload,
                    size_t payloadCap, size_t &payloadLen) {
    const ByteReader in(data, count);
    for (size_t i = 0; i < count; ++i) {
        uint8_t mark = 0, got = 0, n = 0, check = 0, end = 0;
        if (!in.PeekAt(i, mark) || mark != kStartMark) continue;
        if (!in.PeekAt(i + 1, got) || got != code || !in.PeekAt(i + 2, n)) continue;
        // The whole packet, end mark included, must lie within the data; the
        // end mark's value is not checked.
        if (!in.PeekAt(i + n + 4, end) || !in.PeekAt(i + n + 3, check)) continue;
        if (CheckByte(data + i, size_t(n) + 3) != check) continue;
        const size_t copied = payload ? std::min<size_t>(n, payloadCap) : 0;
        if (copied > 0) std::memcpy(payload, data + i + 3, copied);
        payloadLen = copied;
        return true;
    }
    return false;
}

bool ReplyReadings(uint8_t code, const uint8_t *payload, size_t length, uint32_t readings[2]) {
    const CommandForm *form = FindByCode(code);
    if (!form || form->readingWidth == 0) return false;
    const ByteReader in(payload, length);
    bool complete = true;
    for (size_t k = 0; k < 2; ++k) {
        readings[k] = 0;
        for (size_t j = 0; j < form->readingWidth; ++j) {
            uint8_t byte = 0;
            complete = in.PeekAt(k * form->readingWidth + j, byte) && complete;
            readings[k] = readings[k] * 256 + byte;
        }
    }
    return complete;
}

void FormatReplyData(const uint8_t *payload, size_t length, const char *name, char *text,
                     size_t textCap) {
    const CommandForm *form = FindByName(name);
    uint32_t readings[2];
    if (!form || form->readingWidth == 0) return;
    ReplyReadings(form->code, payload, length, readings);
    CopyText(text, textCap, Format("%d,%d", int(readings[0]), int(readings[1])));
}

}  // namespace vd
