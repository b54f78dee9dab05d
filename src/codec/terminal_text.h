// Device texts on a terminal. A device's texts are bytes that anyone on the
// network may have chosen; printed as they are, an ESC sequence clears the
// screen or moves the cursor, a line break forges a row of a table. On a
// terminal every text from a device is shown in one spelling: valid UTF-8
// as it is, except the bytes of a control character (C0, DEL and C1), of a
// line or paragraph separator and of a bidirectional formatting character,
// which are written "\xNN" (NN the byte's value in lower-case hex), like a
// byte that is not part of valid UTF-8; a backslash is written "\\". Each
// escape stands for one byte, so the bytes can be read back from it.
#ifndef VANDREL_CODEC_TERMINAL_TEXT_H
#define VANDREL_CODEC_TERMINAL_TEXT_H

#include <cstddef>
#include <string>

namespace vd {

// The length of the valid UTF-8 sequence at text[i] (no overlong forms, no
// surrogates, nothing above U+10FFFF); 0 when there is none.
size_t Utf8Length(const std::string &text, size_t i);

// The text as a terminal shows it, escaped as above: printable, on one line.
std::string TerminalText(const std::string &bytes);

}  // namespace vd

#endif
