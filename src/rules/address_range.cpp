#include "rules/address_range.h"

namespace vd {

namespace {

// Decimal digits without a leading zero, at most max.
bool Decimal(const std::string &text, uint32_t max, uint32_t &out) {
    if (text.empty() || text.size() > 3 || (text.size() > 1 && text[0] == '0')) return false;
    uint32_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + uint32_t(c - '0');
    }
    if (value > max) return false;
    out = value;
    return true;
}

bool DottedQuad(const std::string &text, uint32_t &address) {
    address = 0;
    size_t from = 0;
    for (int i = 0; i < 4; ++i) {
        const size_t dot = i < 3 ? text.find('.', from) : text.size();
        uint32_t part = 0;
        if (dot == std::string::npos || !Decimal(text.substr(from, dot - from), 255, part)) return false;
        address = address << 8 | part;
        from = dot + 1;
    }
    return true;
}

}  // namespace

bool ParseAddressRange(const std::string &text, AddressRange &range, std::string &message) {
    const size_t slash = text.find('/');
    uint32_t address = 0, bits = 0;
    if (slash == std::string::npos || !DottedQuad(text.substr(0, slash), address) ||
        !Decimal(text.substr(slash + 1), 32, bits)) {
        message = "'" + text + "' is not an address range such as 198.18.5.0/24";
        return false;
    }
    if (bits < kWidestRangePrefix) {
        message = "'" + text + "' is wider than a /" + std::to_string(kWidestRangePrefix) + " (" +
                  std::to_string(1u << (32 - kWidestRangePrefix)) + " addresses): search it in parts";
        return false;
    }
    const uint32_t mask = ~uint32_t(0) << (32 - bits);
    range = {address & mask, ~mask + 1};
    return true;
}

}  // namespace vd
