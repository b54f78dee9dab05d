#include "codec/terminal_text.h"

#include <cstdio>

namespace vd {

namespace {

unsigned ByteAt(const std::string &text, size_t i) {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u;
}

// Whether the valid sequence of n bytes at text[i] is a character that a
// terminal does not show as itself: C0 and DEL, C1 (U+0080 to U+009F), the
// marks U+200E and U+200F, the separators U+2028 and U+2029, the embeddings
// and overrides U+202A to U+202E and the isolates U+2066 to U+2069. The last
// ones reorder what follows them, so a name could make a row read backwards.
bool IsHidden(const std::string &text, size_t i, size_t n) {
    const unsigned a = ByteAt(text, i), b = ByteAt(text, i + 1), c = ByteAt(text, i + 2);
    if (n == 1) return a < 0x20 || a == 0x7F;
    if (n == 2) return a == 0xC2 && b <= 0x9F;
    if (n != 3 || a != 0xE2) return false;
    if (b == 0x80) return c == 0x8E || c == 0x8F || (c >= 0xA8 && c <= 0xAE);
    return b == 0x81 && c >= 0xA6 && c <= 0xA9;
}

void AppendEscaped(std::string &out, const std::string &text, size_t i, size_t n) {
    char escape[5];
    for (size_t k = i; k < i + n; ++k) {
        std::snprintf(escape, sizeof escape, "\\x%02x", ByteAt(text, k));
        out += escape;
    }
}

}  // namespace

size_t Utf8Length(const std::string &text, size_t i) {
    const auto at = [&](size_t k) { return ByteAt(text, k); };
    const unsigned c = at(i);
    const auto tail = [&](size_t k) { return (at(k) & 0xC0) == 0x80; };
    if (i >= text.size()) return 0;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) return tail(i + 1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        const unsigned lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF;
        return at(i + 1) >= lo && at(i + 1) <= hi && tail(i + 2) ? 3 : 0;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        const unsigned lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
        return at(i + 1) >= lo && at(i + 1) <= hi && tail(i + 2) && tail(i + 3) ? 4 : 0;
    }
    return 0;
}

std::string TerminalText(const std::string &bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const size_t n = Utf8Length(bytes, i);
        if (n == 0 || IsHidden(bytes, i, n))
            AppendEscaped(out, bytes, i, n == 0 ? 1 : n);
        else if (bytes[i] == '\\')
            out += "\\\\";
        else
            out.append(bytes, i, n);
        i += n == 0 ? 1 : n;
    }
    return out;
}

}  // namespace vd
