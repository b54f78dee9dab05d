#include "rules/firmware_version.h"

namespace vd {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int FirmwareVersion(const std::string &text) {
    const size_t from = !text.empty() && (text[0] == 'V' || text[0] == 'v') ? 1 : 0;
    const std::string v = text.substr(from);
    const size_t dot = v.find('.');
    if (dot == std::string::npos || dot < 1 || dot > 2 || v.size() != dot + 3) return -1;
    int major = 0;
    for (size_t i = 0; i < dot; ++i) {
        if (!IsDigit(v[i])) return -1;
        major = major * 10 + (v[i] - '0');
    }
    if (!IsDigit(v[dot + 1]) || !IsDigit(v[dot + 2])) return -1;
    return major * 100 + (v[dot + 1] - '0') * 10 + (v[dot + 2] - '0');
}

}  // namespace vd
