#include "json_text.h"

#include <cstdio>

namespace vdcli {

namespace {

// A lone escaped byte becomes this surrogate pair, the code point
// U+10FC00 + XX of the last private use plane, whose UTF-8 form is
// F4 8F B2 xx or F4 8F B3 xx.
constexpr const char *kPairHigh = "\\udbff";

// The length of the valid UTF-8 sequence at text[i] (no overlong forms, no
// surrogates, nothing above U+10FFFF); 0 when there is none.
size_t Utf8Length(const std::string &text, size_t i) {
    const auto at = [&](size_t k) { return k < text.size() ? static_cast<unsigned char>(text[k]) : 0u; };
    const unsigned c = at(i);
    const auto tail = [&](size_t k) { return (at(k) & 0xC0) == 0x80; };
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

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Whether json[i] starts "\udcXX" with XX from 80 to FF, any case.
bool IsByteEscape(const std::string &json, size_t i) {
    if (json.compare(i, 2, "\\u") != 0 || i + 6 > json.size()) return false;
    const std::string code = json.substr(i + 2, 4);
    return (code[0] == 'd' || code[0] == 'D') && (code[1] == 'c' || code[1] == 'C') && IsHex(code[2]) &&
           IsHex(code[3]) && code[2] >= '8';
}

// Whether json[i] starts the escape of a high surrogate, "\ud800" to "\udbff".
bool IsHighEscape(const std::string &json, size_t i) {
    if (json.compare(i, 2, "\\u") != 0 || i + 6 > json.size()) return false;
    const char a = json[i + 2], b = json[i + 3];
    return (a == 'd' || a == 'D') && (b == '8' || b == '9' || b == 'a' || b == 'A' || b == 'b' || b == 'B');
}

}  // namespace

std::string JsonQuote(const std::string &bytes) {
    std::string out = "\"";
    for (size_t i = 0; i < bytes.size();) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        const size_t n = Utf8Length(bytes, i);
        char esc[8];
        if (n == 0) {
            std::snprintf(esc, sizeof esc, "\\udc%02x", c);
            out += esc;
            ++i;
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += bytes.substr(i, n);
        }
        i += n;
    }
    return out + "\"";
}

std::string AcceptByteEscapes(const std::string &json) {
    std::string out;
    bool inString = false, afterHigh = false;
    for (size_t i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (!inString) {
            inString = c == '"';
            out += c;
            continue;
        }
        if (c == '"') {
            inString = false;
        } else if (c == '\\') {
            const bool high = IsHighEscape(json, i);
            if (IsByteEscape(json, i) && !afterHigh) out += kPairHigh;
            afterHigh = high;
            const size_t length = json.compare(i, 2, "\\u") == 0 ? 6 : 2;
            out += json.substr(i, length);
            i += length - 1;
            continue;
        }
        afterHigh = false;
        out += c;
    }
    return out;
}

std::string DeviceBytes(const std::string &utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        const unsigned char c2 = i + 3 < utf8.size() ? static_cast<unsigned char>(utf8[i + 2]) : 0;
        if (c == 0xF4 && i + 3 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) == 0x8F &&
            (c2 == 0xB2 || c2 == 0xB3)) {
            // U+10FC80 to U+10FCFF: the escaped byte 80 to FF.
            out += char(((c2 & 0x01) << 6) | (static_cast<unsigned char>(utf8[i + 3]) & 0x3F) | 0x80);
            i += 3;
            continue;
        }
        out += char(c);
    }
    return out;
}

}  // namespace vdcli
