#include "at_session/at_hex_value.h"

#include <cstdint>
#include <cstring>

#include "base/device_text.h"

namespace vd {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The C library's "%x" rules: optional blanks and sign, an optional "0x",
// then hex digits, wrapping like a 32-bit number instead of overflowing.
bool ScanHex(const char *p, uint32_t &out) {
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && HexDigit(p[2]) >= 0) p += 2;
    if (HexDigit(*p) < 0) return false;
    uint32_t value = 0;
    for (int d; (d = HexDigit(*p)) >= 0; ++p) value = value * 16u + uint32_t(d);
    out = negative ? 0u - value : value;
    return true;
}

}  // namespace

bool IsHexKey(const char *key) {
    return key && (std::strstr(key, "_D1") || std::strstr(key, "_D2"));
}

bool HexValueToDecimal(const char *value, std::string &decimal) {
    uint32_t number = 0;
    if (!value || std::strcmp(value, kInvalidValue) == 0 || std::strlen(value) < 3) return false;
    if (!ScanHex(value + 2, number)) return false;
    decimal = Format("%d", static_cast<int32_t>(number));
    return true;
}

bool DecimalValueToHex(const char *value, std::string &hex) {
    if (!value || std::strncmp(value, "0x", 2) == 0 || std::strcmp(value, kInvalidValue) == 0)
        return false;
    hex = Format("0x%02X", static_cast<uint32_t>(AtoI(value)));
    return true;
}

}  // namespace vd
