#include "json_text.h"

#include <cstdio>

#include "codec/codec.h"

namespace vdcli {

namespace {

// A lone escaped byte becomes this surrogate pair, the code point
// U+10FC00 + XX of the last private use plane, whose UTF-8 form is
// F4 8F B2 xx or F4 8F B3 xx.
constexpr const char *kPairHigh = "\\udbff";

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

// Whether text[i] starts a stand-in: the UTF-8 form of U+10FC80 to
// U+10FCFF, F4 8F B2 xx or F4 8F B3 xx.
bool IsStandIn(const std::string &text, size_t i) {
    const auto at = [&](size_t k) { return k < text.size() ? static_cast<unsigned char>(text[k]) : 0u; };
    return at(i) == 0xF4 && at(i + 1) == 0x8F && (at(i + 2) == 0xB2 || at(i + 2) == 0xB3) &&
           (at(i + 3) & 0xC0) == 0x80;
}

// The byte, 80 to FF, that the stand-in at text[i] is for.
unsigned StoodFor(const std::string &text, size_t i) {
    return ((static_cast<unsigned char>(text[i + 2]) & 0x01) << 6) | (static_cast<unsigned char>(text[i + 3]) & 0x3F) |
           0x80;
}

// A device text as valid UTF-8 for the JSON writer: a byte outside valid
// UTF-8, and each byte of a stand-in the text holds itself, becomes the
// stand-in for that byte.
std::string WritableText(const std::string &bytes) {
    std::string out;
    for (size_t i = 0; i < bytes.size();) {
        const size_t n = vd::Utf8Length(bytes, i);
        if (n > 0 && !IsStandIn(bytes, i)) {
            out.append(bytes, i, n);
            i += n;
            continue;
        }
        for (size_t end = i + (n > 0 ? n : 1); i < end; ++i) {
            const unsigned b = static_cast<unsigned char>(bytes[i]);
            out += {char(0xF4), char(0x8F), char(0xB2 | ((b >> 6) & 0x01)), char(0x80 | (b & 0x3F))};
        }
    }
    return out;
}

// The document with f applied to every string and every key.
template <typename F>
JsonValue MapTexts(const JsonValue &value, F f) {
    if (value.is_string()) return f(value.get_ref<const std::string &>());
    if (value.is_object()) {
        JsonValue out = JsonValue::object();
        for (const auto &item : value.items()) out[f(item.key())] = MapTexts(item.value(), f);
        return out;
    }
    if (value.is_array()) {
        JsonValue out = JsonValue::array();
        for (const auto &item : value) out.push_back(MapTexts(item, f));
        return out;
    }
    return value;
}

}  // namespace

std::string JsonText(const JsonValue &doc, int indent) {
    const std::string text = MapTexts(doc, WritableText).dump(indent);
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        char esc[8];
        if (IsStandIn(text, i)) {
            std::snprintf(esc, sizeof esc, "\\udc%02x", StoodFor(text, i));
            out += esc;
            i += 3;
        } else if (c == 0x7F) {
            out += "\\u007f";
        } else {
            out += char(c);
        }
    }
    return out;
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
        if (IsStandIn(utf8, i)) {
            out += char(StoodFor(utf8, i));
            i += 3;
        } else {
            out += utf8[i];
        }
    }
    return out;
}

JsonValue WithDeviceBytes(const JsonValue &parsed) { return MapTexts(parsed, DeviceBytes); }

}  // namespace vdcli
