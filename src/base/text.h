// Text helpers shared by every subsystem: the C library's conversion rules
// without its undefined behaviour, formatting into growable strings, and
// copies into fixed-size buffers that never run past them.
#ifndef VANDREL_BASE_TEXT_H
#define VANDREL_BASE_TEXT_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace vd {

// atoi rules: optional blanks and sign, then decimal digits; 0 when there are
// none. Wraps like a 32-bit int instead of overflowing.
int32_t AtoI(const char *text);
inline int32_t AtoI(const std::string &text) { return AtoI(text.c_str()); }

// inet_addr rules for a dotted IPv4 address (each part 0-255, decimal).
// Writes the four bytes in dotted order and returns true; text that is not a
// dotted address gives FF FF FF FF and false. Like inet_addr, the text
// "255.255.255.255" also gives FF FF FF FF but returns true.
bool InetAddr(const char *text, uint8_t out[4]);

// The same as a 32-bit value in network order (INADDR_NONE on failure),
// which is what inet_addr returns.
uint32_t InetAddrValue(const char *text);

// "%d.%d.%d.%d" of four bytes.
std::string FormatIp(const uint8_t b[4]);

// "%02X:%02X:%02X:%02X:%02X:%02X" of six bytes.
std::string FormatMac(const uint8_t b[6]);

// Reads "%x:%x:%x:%x:%x:%x" (sscanf rules) into the low bytes of each number.
// Bytes not read are set to 0.
void ParseMac(const char *text, uint8_t out[6]);

// text with its ASCII letters in upper case (a MAC text as devices write it).
std::string UpperCase(std::string text);

// printf-style formatting into a std::string.
std::string Format(const char *fmt, ...) __attribute__((format(printf, 1, 2)));

// Copies text into dst, which has room for cap bytes: cut so that it fits,
// always terminated. Does nothing when dst is null or cap is 0.
void CopyText(char *dst, size_t cap, const char *text);
inline void CopyText(char *dst, size_t cap, const std::string &text) {
    CopyText(dst, cap, text.c_str());
}

// The first byte of text below 0x20, or DEL; -1 when there is none. Such a
// byte ends a command line of the AT session (CR, LF) or breaks a table of
// settings, so no text that holds one is sent.
int FindControlByte(const char *text);
inline int FindControlByte(const std::string &text) { return FindControlByte(text.c_str()); }

// A NULL const text counts as "".
inline const char *OrEmpty(const char *text) { return text ? text : ""; }

inline bool Contains(const std::string &text, const char *part) {
    return text.find(part) != std::string::npos;
}

}  // namespace vd

#endif
