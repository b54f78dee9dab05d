// What the family B keys mean: the device block's keys, the eight IP
// filters and each serial port's keys ("%d" the port's or filter's number).
#include "rules/meaning_rows.h"

namespace vd {

namespace {

using namespace rows;

// The byte is the device's own, not inverted as family A's text is.
constexpr Choice kAddressMode[] = {{0, "static"}, {1, "DHCP"}};

// Rates in bits per second, held as the number itself.
constexpr int64_t kSlowestBaud = 50, kFastestBaud = 921600;

constexpr MeaningRow kRows[] = {
    Kind("NAME", 0, "name", "device", "the device's name, shown by a search"),
    Kind("PASS", 0, "password", "device", "the password that guards every write; never shown"),
    Shown("MAC", 0, "MAC address", "device", "the device's hardware address, by which it is read and written"),
    Choose("IP_MODE", 0, "address mode", "network", "", ChoicesOf(kAddressMode),
           "whether the device keeps IP, MASK and GATEWAY or takes its address from DHCP"),
    Kind("IP", 0, "IP address", "network", "the device's IPv4 address"),
    Kind("MASK", 0, "subnet mask", "network", "the mask of the device's subnet"),
    Kind("GATEWAY", 0, "gateway", "network", "the router to other subnets"),
    Kind("DNS", 0, "DNS server", "network", "the server that turns host names into addresses"),
    Number("WEB_PORT", 0, "web port", "network", "", 1, 65535, "the TCP port of the device's web page"),
    Number("CMD_PORT", 0, "AT session port", "network", "", 0, 65535, "the TCP port of the AT session (0: none)"),
    Kind("IPF%d", 0, "IP filter %d", "IP filter", "the addresses that may connect, as A-B, or invalid for none"),
    Number("C%d_OP", 0, "operating mode", "port %d", "", 0, 255,
           "how the port reaches the network (the firmware's code)"),
    Number("C%d_PORT", 0, "local port", "port %d", "", 1, 65535, "the TCP or UDP port the device listens on"),
    Number("C%d_IT", 0, "inactivity timeout", "port %d", "s", 0, 65535, "ends a connection idle this long (0: never)"),
    Number("C%d_TCPAT", 0, "TCP keep-alive", "port %d", "s", 0, 65535, "the time between keep-alive probes (0: none)"),
    Destination("C%d_D1", 0, "destination 1", "port %d", "the first destination of the port's data"),
    Destination("C%d_D2", 0, "destination 2", "port %d", "the second destination of the port's data"),
    Number("C%d_BAUD", 0, "baud rate", "port %d", "bit/s", kSlowestBaud, kFastestBaud, "the serial line's speed"),
    Number("C%d_DATAB", 0, "data bits", "port %d", "bits", 5, 8, "the bits of each character"),
    Number("C%d_STOPB", 0, "stop bits", "port %d", "bits", 1, 2, "the stop bits after each character"),
    Choose("C%d_PARITY", 0, "parity", "port %d", "", ChoicesOf(kParity), "the parity bit of each character"),
    Number("C%d_SER_C", 0, "end character", "port %d", "", 0, 255, "the byte that ends a packet"),
    Number("C%d_SER_LEN", 0, "packet length", "port %d", "bytes", 0, 65535, "the bytes that make a packet (0: any)"),
    Number("C%d_SER_T", 0, "packet time", "port %d", "ms", 0, 65535, "the pause that ends a packet"),
    Choose("C%d_BUF_CLS", 0, "clear buffer", "port %d", "", ChoicesOf(kOnOff),
           "empties the buffer when a connection opens"),
    Choose("C%d_TCP_TURBO", 0, "TCP turbo", "port %d", "", ChoicesOf(kOnOff), "forwards each byte at once"),
    Choose("C%d_TCP_CLS", 0, "close TCP", "port %d", "", ChoicesOf(kOnOff), "closes an idle TCP connection"),
    Number("C%d_LINK_NUM", 0, "connections", "port %d", "", 0, 255, "the connections the port takes at once"),
    Number("C%d_LINK_P", 0, "link P", "port %d", "", 0, 255, "a link setting of the firmware, passed as it is"),
    Number("C%d_LINK_S", 0, "link S", "port %d", "", 0, 255, "a link setting of the firmware, passed as it is"),
    Number("C%d_LINK_T", 0, "link T", "port %d", "", 0, 255, "a link setting of the firmware, passed as it is"),
    Number("C%d_CLI_PP1", 0, "remote port 1", "port %d", "", 0, 65535, "the port of remote host 1"),
    Number("C%d_CLI_PP2", 0, "remote port 2", "port %d", "", 0, 65535, "the port of remote host 2"),
    Number("C%d_CLI_PP3", 0, "remote port 3", "port %d", "", 0, 65535, "the port of remote host 3"),
    Number("C%d_CLI_PP4", 0, "remote port 4", "port %d", "", 0, 65535, "the port of remote host 4"),
    Kind("C%d_CLI_IP1", 0, "remote host 1", "port %d", "a host the device connects to: an address, A-B or a name"),
    Kind("C%d_CLI_IP2", 0, "remote host 2", "port %d", "a host the device connects to: an address, A-B or a name"),
    Kind("C%d_CLI_IP3", 0, "remote host 3", "port %d", "a host the device connects to: an address, A-B or a name"),
    Kind("C%d_CLI_IP4", 0, "remote host 4", "port %d", "a host the device connects to: an address, A-B or a name"),
};

}  // namespace

MeaningRows FamilyBMeanings() { return {kRows, sizeof kRows / sizeof kRows[0]}; }

}  // namespace vd
