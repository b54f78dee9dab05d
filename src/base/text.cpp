#include "base/text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace vd {

int32_t AtoI(const char *text) {
    if (!text) return 0;
    const char *p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    uint32_t value = 0;
    while (*p >= '0' && *p <= '9') value = value * 10u + uint32_t(*p++ - '0');
    if (negative) value = 0u - value;
    return static_cast<int32_t>(value);
}

bool InetAddr(const char *text, uint8_t out[4]) {
    std::memset(out, 0xFF, 4);
    if (!text) return false;
    uint8_t parts[4];
    const char *p = text;
    for (int i = 0; i < 4; ++i) {
        if (*p < '0' || *p > '9') return false;
        unsigned value = 0;
        int digits = 0;
        while (*p >= '0' && *p <= '9') {
            value = value * 10 + unsigned(*p++ - '0');
            if (++digits > 3 || value > 255) return false;
        }
        parts[i] = static_cast<uint8_t>(value);
        if (i < 3 && *p++ != '.') return false;
    }
    if (*p != '\0') return false;
    std::memcpy(out, parts, 4);
    return true;
}

uint32_t InetAddrValue(const char *text) {
    uint8_t b[4];
    InetAddr(text, b);
    uint32_t value;
    std::memcpy(&value, b, 4);
    return value;
}

std::string FormatIp(const uint8_t b[4]) { return Format("%d.%d.%d.%d", b[0], b[1], b[2], b[3]); }

std::string FormatMac(const uint8_t b[6]) {
    return Format("%02X:%02X:%02X:%02X:%02X:%02X", b[0], b[1], b[2], b[3], b[4], b[5]);
}

void ParseMac(const char *text, uint8_t out[6]) {
    unsigned v[6] = {0, 0, 0, 0, 0, 0};
    const int n = text ? std::sscanf(text, "%x:%x:%x:%x:%x:%x", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]) : 0;
    for (int i = 0; i < 6; ++i) out[i] = static_cast<uint8_t>(i < n ? v[i] : 0);
}

int FindControlByte(const char *text) {
    for (const char *p = OrEmpty(text); *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c == 0x7F) return c;
    }
    return -1;
}

std::string UpperCase(std::string text) {
    for (char &c : text)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return text;
}

std::string Format(const char *fmt, ...) {
    char small[256];
    va_list args;
    va_start(args, fmt);
    int n = std::vsnprintf(small, sizeof small, fmt, args);
    va_end(args);
    if (n < 0) return std::string();
    if (size_t(n) < sizeof small) return std::string(small, size_t(n));
    std::string out(size_t(n) + 1, '\0');
    va_start(args, fmt);
    std::vsnprintf(&out[0], out.size(), fmt, args);
    va_end(args);
    out.resize(size_t(n));
    return out;
}

void CopyText(char *dst, size_t cap, const char *text) {
    if (!dst || cap == 0) return;
    size_t n = text ? std::strlen(text) : 0;
    if (n >= cap) n = cap - 1;
    if (n) std::memmove(dst, text, n);
    dst[n] = '\0';
}

}  // namespace vd
