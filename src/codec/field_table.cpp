#include "codec/field_table.h"

namespace vd {

namespace {

using K = FieldKind;

struct RowTemplate {
    const char *format;  // "%d" takes the port number; device rows have none
    uint16_t offset;
    uint8_t width;
    FieldKind kind;
};

constexpr RowTemplate kDeviceRows[] = {
    {"NAME", 0, 16, K::Text},        {"PASS", 16, 16, K::Text},
    {"IP", 32, 4, K::IpAddress},     {"MASK", 36, 4, K::IpAddress},
    {"GATEWAY", 40, 4, K::IpAddress}, {"DNS", 44, 4, K::IpAddress},
    {"MAC", 48, 6, K::MacAddress},   {"IP_MODE", 54, 1, K::Byte},
    {"WEB_PORT", 55, 2, K::Word},    {"CMD_PORT", 57, 2, K::Word},
};

// One bit of this byte per filter range: bit n - 1 enables "IPF%d" n.
constexpr uint16_t kFilterEnableOffset = 59;
constexpr int kFilters = 8;
// "IPF%d" n sits at 56 + 8 n.
constexpr uint16_t kFilterBase = 56;
constexpr uint8_t kRangeWidth = 8;

constexpr RowTemplate kPortRows[] = {
    {"C%d_OP", 0, 1, K::Byte},           {"C%d_PORT", 1, 2, K::Word},
    {"C%d_IT", 3, 2, K::Word},           {"C%d_TCPAT", 5, 2, K::Word},
    {"COM%d_ENABLEST", 7, 1, K::Byte},   {"C%d_D1", 8, 1, K::Byte},
    {"C%d_D2", 9, 1, K::Byte},           {"C%d_BAUD", 10, 4, K::DWord},
    {"C%d_DATAB", 14, 1, K::Byte},       {"C%d_STOPB", 15, 1, K::Byte},
    {"C%d_PARITY", 16, 1, K::Byte},      {"C%d_SER_C", 17, 1, K::Byte},
    {"C%d_SER_LEN", 18, 2, K::Word},     {"C%d_SER_T", 20, 2, K::Word},
    {"C%d_BUF_CLS", 22, 1, K::Byte},     {"C%d_TCP_TURBO", 23, 1, K::Byte},
    {"C%d_TCP_CLS", 24, 1, K::Byte},     {"C%d_LINK_NUM", 25, 1, K::Byte},
    {"C%d_LINK_P", 26, 1, K::Byte},      {"C%d_LINK_S", 27, 1, K::Byte},
    {"C%d_LINK_T", 28, 1, K::Byte},      {"C%d_CLI_PP1", 32, 2, K::Word},
    {"C%d_CLI_PP2", 34, 2, K::Word},     {"C%d_CLI_PP3", 36, 2, K::Word},
    {"C%d_CLI_PP4", 38, 2, K::Word},     {"C%d_CLI_IP1", 96, 40, K::HostOrIp},
    {"C%d_CLI_IP2", 136, 40, K::HostOrIp}, {"C%d_CLI_IP3", 176, 40, K::HostOrIp},
    {"C%d_CLI_IP4", 216, 40, K::HostOrIp},
};

}  // namespace

void BuildFieldTable(FieldTable &table, int ports) {
    if (!table.empty()) return;
    for (const RowTemplate &r : kDeviceRows) table.push_back({r.format, 0, r.offset, r.width, kNoBit, r.kind});
    for (int n = 1; n <= kFilters; ++n)
        table.push_back({Format("ENIPFILTER%d", n), 0, kFilterEnableOffset, 1, uint8_t(n - 1), K::Bit});
    for (int n = 1; n <= kFilters; ++n)
        table.push_back({Format("IPF%d", n), 0, uint16_t(kFilterBase + kRangeWidth * n), kRangeWidth, kNoBit,
                         K::IpRange});
    if (ports > kMaxPorts) ports = kMaxPorts;
    for (int p = 1; p <= ports; ++p)
        for (const RowTemplate &r : kPortRows)
            table.push_back({Format(r.format, p), uint8_t(p + 1), r.offset, r.width, kNoBit, r.kind});
}

const ConfigField *FindField(const FieldTable &table, const std::string &name) {
    for (const ConfigField &row : table)
        if (row.name == name) return &row;
    return nullptr;
}

}  // namespace vd
