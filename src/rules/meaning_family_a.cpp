// What the family A keys mean, by type group: the serial devices and the
// 10T group have one serial port (port 1), the CAN group two CAN buses.
#include "codec/family_a_types.h"
#include "rules/meaning_rows.h"

namespace vd {

namespace {

using namespace rows;

constexpr uint8_t kAll = kGroupAll, kCan = kGroupCan, kSerial10T = kGroupSerial | kGroup10T;
constexpr uint8_t kSerialCan = kGroupSerial | kGroupCan, k10T = kGroup10T;

// The rate each code of C1_BAUD stands for.
constexpr Choice kBaudCodes[] = {{0, "300 bit/s"},   {1, "600 bit/s"},   {2, "1200 bit/s"},  {3, "2400 bit/s"},
                                 {4, "4800 bit/s"},  {5, "9600 bit/s"},  {6, "19200 bit/s"}, {7, "38400 bit/s"},
                                 {8, "57600 bit/s"}, {9, "115200 bit/s"}};
constexpr Choice kCanRates[] = {{5000, "5 kbit/s"},     {10000, "10 kbit/s"},  {20000, "20 kbit/s"},
                                {50000, "50 kbit/s"},   {100000, "100 kbit/s"}, {125000, "125 kbit/s"},
                                {250000, "250 kbit/s"}, {500000, "500 kbit/s"}, {800000, "800 kbit/s"},
                                {1000000, "1 Mbit/s"}};
// The text is inverted on the way to the device's byte.
constexpr Choice kAddressMode[] = {{0, "DHCP"}, {1, "static"}};

constexpr int64_t kStandardIdMask = 0x7FF, kExtendedIdMask = 0x1FFFFFFF;

constexpr MeaningRow kRows[] = {
    Shown("TYPE", kAll, "type code", "device", "what kind of device it is; it decides the other keys"),
    Kind("NAME", kAll, "name", "device", "the device's name, shown by a search"),
    Kind("PASS", kAll, "password", "device", "the password that guards every write; never shown"),
    Shown("MAC", kAll, "MAC address", "device", "the device's hardware address"),
    Shown("VERSION", kSerial10T, "firmware version", "device", "the version of the device's firmware"),
    Choose("IP_MODE", kAll, "address mode", "network", "", ChoicesOf(kAddressMode),
           "whether the device takes its address from DHCP or keeps IP, MASK and GATEWAY"),
    Kind("IP", kAll, "IP address", "network", "the device's IPv4 address"),
    Kind("MASK", kAll, "subnet mask", "network", "the mask of the device's subnet"),
    Kind("GATEWAY", kAll, "gateway", "network", "the router to other subnets"),
    Number("WEB_PORT", kSerialCan, "web port", "network", "", 1, 65535, "the TCP port of the device's web page"),
    Number("C1_OP", kAll, "operating mode", "port 1", "", 0, 255,
           "how the port reaches the network (the firmware's code)"),
    Number("C1_PORT", kSerial10T, "local port", "port 1", "", 1, 65535, "the TCP or UDP port the device listens on"),
    Number("C1_PORT", kCan, "local port", "CAN 1", "", 1, 65535, "the port the device listens on for CAN 1"),
    Choose("C1_TCP_TURBO", kAll, "TCP turbo", "port 1", "", ChoicesOf(kOnOff), "forwards each byte at once"),
    Choose("C1_BUF_CLS", kAll, "clear buffer", "port 1", "", ChoicesOf(kOnOff),
           "empties the buffer when a connection opens"),
    Choose("C1_TCP_CLS", kSerialCan, "close TCP", "port 1", "", ChoicesOf(kOnOff),
           "closes an idle TCP connection"),
    Kind("C1_GROUPIP", kAll, "multicast group", "port 1", "the group address of UDP multicast"),
    Choose("C1_BAUD", kSerial10T, "baud rate", "port 1", "", ChoicesOf(kBaudCodes),
           "the serial line's speed, as a code"),
    Number("C1_DATAB", kSerial10T, "data bits", "port 1", "bits", 5, 8, "the bits of each character"),
    Number("C1_STOPB", kSerial10T, "stop bits", "port 1", "bits", 1, 2, "the stop bits after each character"),
    Choose("C1_PARITY", kSerial10T, "parity", "port 1", "", ChoicesOf(kParity), "the parity bit of each character"),
    Number("C1_IT", kSerial10T, "inactivity timeout", "port 1", "s", 0, 65535,
           "ends a connection idle this long (0: never)"),
    Number("C1_TCPAT", kSerial10T, "TCP keep-alive", "port 1", "s", 0, 65535,
           "the time between keep-alive probes (0: none)"),
    Destination("C1_D1", kSerial10T, "destination 1", "port 1", "the first destination of the port's data"),
    Destination("C1_D2", kSerial10T, "destination 2", "port 1", "the second destination of the port's data"),
    Kind("C1_CLI_IP1", kSerial10T, "remote host", "port 1", "the address the device connects to as a client"),
    Number("C1_CLI_PP1", kSerial10T, "remote port", "port 1", "", 0, 65535, "the port the device connects to"),
    Kind("C1_DEVADC", kAll, "analogue inputs", "IO", "the two analogue input settings, as A,B"),
    Kind("C1_DEVIO", kAll, "IO lines", "IO", "the two IO line settings, as A,B"),
    Number("C1_IOPORT", kSerial10T, "IO port", "IO", "", 0, 65535, "the TCP port of the IO operations"),
    Number("10TIO", k10T, "IO state", "IO", "", 0, 255, "the IO lines, one bit each"),
    Number("PACKETINT", k10T, "packet interval", "port 1", "ms", 0, 65535, "the pause that ends a packet"),
    Number("CANSTDFTID", kCan, "standard ID filter", "CAN", "", 0, kStandardIdMask,
           "the 11-bit identifier that standard frames are matched with"),
    Number("CANSTDFTIDAREA", kCan, "standard ID mask", "CAN", "", 0, kStandardIdMask,
           "the bits of the standard identifier that are matched"),
    Number("CANEXTFTID", kCan, "extended ID filter", "CAN", "", 0, kExtendedIdMask,
           "the 29-bit identifier that extended frames are matched with"),
    Number("CANEXTFTIDAREA", kCan, "extended ID mask", "CAN", "", 0, kExtendedIdMask,
           "the bits of the extended identifier that are matched"),
    Choose("CANBAUD1", kCan, "bit rate", "CAN 1", "bit/s", ChoicesOf(kCanRates), "the speed of CAN bus 1"),
    Kind("CANDESIP1", kCan, "destination IP", "CAN 1", "where the frames of CAN bus 1 go"),
    Number("CANDESPORT1", kCan, "destination port", "CAN 1", "", 0, 65535, "the UDP port the frames go to"),
    Choose("CANLISTENMD1", kCan, "listen only", "CAN 1", "", ChoicesOf(kOnOff), "receives without acknowledging"),
    Number("C2_PORT", kCan, "local port", "CAN 2", "", 1, 65535, "the port the device listens on for CAN 2"),
    Choose("CANBAUD2", kCan, "bit rate", "CAN 2", "bit/s", ChoicesOf(kCanRates), "the speed of CAN bus 2"),
    Kind("CANDESIP2", kCan, "destination IP", "CAN 2", "where the frames of CAN bus 2 go"),
    Number("CANDESPORT2", kCan, "destination port", "CAN 2", "", 0, 65535, "the UDP port the frames go to"),
    Choose("CANLISTENMD2", kCan, "listen only", "CAN 2", "", ChoicesOf(kOnOff), "receives without acknowledging"),
};

}  // namespace

MeaningRows FamilyAMeanings() { return {kRows, sizeof kRows / sizeof kRows[0]}; }

}  // namespace vd
