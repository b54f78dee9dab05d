#include "hex_bytes.h"

#include <cstdio>

#include "args.h"

namespace vdcli {

bool ParseHex(const std::string &text, std::string &bytes) {
    std::string digits;
    for (char c : text)
        if (c != ' ' && c != ':') digits += c;
    if (digits.size() % 2) return false;
    for (size_t i = 0; i < digits.size(); i += 2) {
        long long v = 0;
        if (!ParseNumber("0x" + digits.substr(i, 2), 0, 255, v)) return false;
        bytes += static_cast<char>(v);
    }
    return true;
}

std::string HexText(const std::string &bytes) {
    std::string text;
    char pair[4];
    for (unsigned char c : bytes) {
        std::snprintf(pair, sizeof pair, "%s%02X", text.empty() ? "" : " ", c);
        text += pair;
    }
    return text;
}

}  // namespace vdcli
