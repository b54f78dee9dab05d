// Bytes written as hexadecimal pairs ("AA 05 00 AF 0D"): how `data` and the
// dashboard's data session take bytes that are not text, and how `data`
// shows what came back.
#ifndef VANDREL_CLI_HEX_BYTES_H
#define VANDREL_CLI_HEX_BYTES_H

#include <string>

namespace vdcli {

// Appends the bytes of text's pairs (spaces and colons between them are
// left out) to bytes; false when text is not whole pairs of hex digits.
bool ParseHex(const std::string &text, std::string &bytes);

// The bytes as upper-case pairs, a space between them.
std::string HexText(const std::string &bytes);

}  // namespace vdcli

#endif
