// The address ranges a TLS proxy in front of the dashboard connects from
// (--behind-proxy): CIDR ranges, IPv4 or IPv6, separated by commas.
#ifndef VANDREL_WEB_PROXY_RANGES_H
#define VANDREL_WEB_PROXY_RANGES_H

#include <array>
#include <string>
#include <vector>

namespace vdweb {

class ProxyRanges {
public:
    // "198.18.0.0/15,::1" (an address alone is a range of itself); false on
    // any range that is not one, named in bad.
    bool Parse(const std::string &text, std::string &bad);
    bool Empty() const { return m_ranges.empty(); }
    // A client's address as the server gives it.
    bool Contains(const std::string &address) const;

private:
    struct Range {
        int family = 0;
        std::array<unsigned char, 16> bytes{};
        int bits = 0;
    };
    static bool Read(const std::string &address, int &family, std::array<unsigned char, 16> &bytes);

    std::vector<Range> m_ranges;
};

}  // namespace vdweb

#endif
