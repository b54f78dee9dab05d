#include "proxy_ranges.h"

#include <arpa/inet.h>

#include <cstdlib>

namespace vdweb {

bool ProxyRanges::Read(const std::string &address, int &family, std::array<unsigned char, 16> &bytes) {
    bytes.fill(0);
    family = address.find(':') == std::string::npos ? AF_INET : AF_INET6;
    return inet_pton(family, address.c_str(), bytes.data()) == 1;
}

bool ProxyRanges::Parse(const std::string &text, std::string &bad) {
    m_ranges.clear();
    for (size_t at = 0; at <= text.size();) {
        size_t end = text.find(',', at);
        if (end == std::string::npos) end = text.size();
        const std::string item = text.substr(at, end - at);
        at = end + 1;
        const size_t slash = item.find('/');
        Range r;
        bad = item;
        if (!Read(item.substr(0, slash), r.family, r.bytes)) return false;
        const int most = r.family == AF_INET ? 32 : 128;
        r.bits = most;
        if (slash != std::string::npos) {
            const std::string bits = item.substr(slash + 1);
            char *rest = nullptr;
            const long n = std::strtol(bits.c_str(), &rest, 10);
            if (bits.empty() || bits.size() > 3 || *rest || n < 0 || n > most) return false;
            r.bits = int(n);
        }
        m_ranges.push_back(r);
    }
    bad.clear();
    return true;
}

bool ProxyRanges::Contains(const std::string &address) const {
    int family = 0;
    std::array<unsigned char, 16> bytes{};
    if (!Read(address, family, bytes)) return false;
    for (const Range &r : m_ranges) {
        if (r.family != family) continue;
        int i = 0;
        for (; i < r.bits / 8 && bytes[i] == r.bytes[i]; ++i) {
        }
        if (i < r.bits / 8) continue;
        const unsigned char mask = static_cast<unsigned char>(0xFF00 >> (r.bits % 8));
        if (r.bits % 8 == 0 || ((bytes[i] ^ r.bytes[i]) & mask) == 0) return true;
    }
    return false;
}

}  // namespace vdweb
