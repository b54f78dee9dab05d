#include "codec/item_table.h"

namespace vd {

namespace {

using K = ValueKind;
constexpr uint8_t kSerialCan = kGroupSerial | kGroupCan;
constexpr uint8_t kSerial10T = kGroupSerial | kGroup10T;
constexpr ItemAccess RW = ItemAccess::ReadWrite;

// In decoding order.
constexpr ItemRow kRows[] = {
    {"TYPE", kCodeType, K::Byte, kGroupAll, RW},
    {"C1_OP", 0x08, K::Byte, kGroupAll, RW},
    {"IP_MODE", 0x13, K::Byte, kGroupAll, RW},
    {"C1_TCP_TURBO", 0x21, K::Byte, kGroupAll, RW},
    {"C1_BUF_CLS", 0x1F, K::Byte, kGroupAll, RW},
    {"C1_PORT", 0x09, K::Word, kGroupAll, RW},
    {"NAME", 0x02, K::Text, kGroupAll, RW},
    {"PASS", 0x03, K::Text, kGroupAll, RW},
    {"IP", 0x05, K::Address, kGroupAll, RW},
    {"MASK", 0x06, K::Address, kGroupAll, RW},
    {"GATEWAY", 0x07, K::Address, kGroupAll, RW},
    {"C1_GROUPIP", 0x1C, K::Address, kGroupAll, RW},
    {"MAC", 0x04, K::Mac, kGroupAll, ItemAccess::ReadOnly},
    {"C1_DEVADC", 0x1D, K::WordPair, kGroupAll, RW},
    {"C1_DEVIO", 0x16, K::BytePair, kGroupAll, RW},
    {"10TIO", 0x22, K::Byte, kGroup10T, RW},
    {"10TCTRLIO", 0x23, K::Byte, kGroup10T, ItemAccess::WriteOnly},
    {"PACKETINT", 0x1E, K::Word, kGroup10T, RW},
    {"WEB_PORT", 0x22, K::Word, kSerialCan, RW},
    {"C1_TCP_CLS", 0x1E, K::Byte, kSerialCan, RW},
    {"CANSTDFTID", 0x0B, K::Dword, kGroupCan, RW},
    {"CANSTDFTIDAREA", 0x0C, K::Dword, kGroupCan, RW},
    {"CANEXTFTID", 0x0D, K::Dword, kGroupCan, RW},
    {"CANEXTFTIDAREA", 0x0E, K::Dword, kGroupCan, RW},
    {"CANBAUD1", 0x0F, K::Dword, kGroupCan, RW},
    {"CANDESIP1", 0x11, K::Address, kGroupCan, RW},
    {"CANDESPORT1", 0x12, K::Word, kGroupCan, RW},
    {"CANLISTENMD1", 0x17, K::Byte, kGroupCan, RW},
    {"C2_PORT", 0x0A, K::Word, kGroupCan, RW},
    {"CANBAUD2", 0x10, K::Dword, kGroupCan, RW},
    {"CANLISTENMD2", 0x18, K::Byte, kGroupCan, RW},
    {"CANDESIP2", 0x19, K::Address, kGroupCan, RW},
    {"CANDESPORT2", 0x20, K::Word, kGroupCan, RW},
    {"C1_TCPAT", 0x0B, K::Word, kSerial10T, RW},
    {"COM1_ENABLEST", 0x0C, K::Byte, kSerial10T, RW},
    {"C1_D1", 0x0D, K::Byte, kSerial10T, RW},
    {"C1_D2", 0x0E, K::Byte, kSerial10T, RW},
    {"C1_BAUD", 0x0F, K::Byte, kSerial10T, RW},
    {"C1_STOPB", 0x11, K::Byte, kSerial10T, RW},
    {"C1_PARITY", 0x12, K::Byte, kSerial10T, RW},
    {"C1_CLI_IP1", 0x17, K::Address, kSerial10T, RW},
    {"C1_IT", 0x0A, K::Word, kSerial10T, RW},
    {"C1_DATAB", 0x10, K::Byte, kSerial10T, RW},
    {"C1_CLI_PP1", 0x18, K::Word, kSerial10T, RW},
    {"C1_IOPORT", 0x19, K::Word, kSerial10T, RW},
    {"VERSION", 0x20, K::Byte, kSerial10T, RW},
};

}  // namespace

ItemRows AllItemRows() { return {kRows, sizeof kRows / sizeof kRows[0]}; }

const ItemRow *FindReplyRow(uint8_t code, uint8_t type) {
    const TypeGroup group = TypeGroupOf(type);
    for (const ItemRow &row : kRows)
        if (row.code == code && (row.groups & group)) return row.access == ItemAccess::WriteOnly ? nullptr : &row;
    return nullptr;
}

const ItemRow *FindWriteRow(const std::string &key, uint8_t type) {
    const TypeGroup group = TypeGroupOf(type);
    for (const ItemRow &row : kRows)
        if (key == row.key && (row.groups & group)) return row.access == ItemAccess::ReadOnly ? nullptr : &row;
    return nullptr;
}

}  // namespace vd
