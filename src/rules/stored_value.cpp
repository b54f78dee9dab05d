#include "rules/stored_value.h"

#include <memory>
#include <vector>

#include "base/byte_reader.h"
#include "codec/codec.h"

namespace vd {

namespace {

bool IsDestination(const std::string &key) {
    return key.find("_D1") != std::string::npos || key.find("_D2") != std::string::npos;
}

std::string HoldsA(ValueKind kind) {
    switch (kind) {
    case ValueKind::Byte: return "a number from 0 to 255";
    case ValueKind::Word: return "a number from 0 to 65535";
    case ValueKind::Dword: return "a number from 0 to 4294967295";
    case ValueKind::Address: return "a dotted IPv4 address";
    case ValueKind::WordPair: return "two numbers from 0 to 65535, as A,B";
    case ValueKind::BytePair: return "two numbers from 0 to 255, as A,B";
    case ValueKind::Text: return "at most " + std::to_string(kTextWidth) + " characters";
    case ValueKind::Mac: return "nothing: it is read only";
    }
    return "";
}

std::string HoldsB(const ConfigField &row) {
    switch (row.kind) {
    case FieldKind::Bit: return "0 or 1";
    case FieldKind::Text: return "at most " + std::to_string(row.width - 1) + " characters";
    case FieldKind::Byte: return "a number from 0 to 255";
    case FieldKind::Word: return "a number from 0 to 65535";
    case FieldKind::DWord: return "a number from -2147483648 to 2147483647";
    case FieldKind::IpAddress: return "a dotted IPv4 address";
    case FieldKind::MacAddress: return "a MAC address";
    case FieldKind::IpRange: return "two addresses as A-B, or invalid";
    case FieldKind::HostOrIp:
        return "an IPv4 address, two as A-B, or a host name of up to " + std::to_string(row.width - 1) +
               " characters";
    }
    return "";
}

StoredValue FamilyA(uint8_t type, const std::string &key, const std::string &value) {
    StoredValue out;
    const ItemRow *row = FindWriteRow(key, type);
    if (!row) return out;
    out.writable = true;
    // IP_MODE is sent inverted: any number but 0 reads back as 0.
    out.holds = key == "IP_MODE" ? "0 or 1" : HoldsA(row->kind);
    // Staged as the library stages it: a destination changes the enable
    // byte (read before as all off), IP_MODE goes out inverted.
    DeviceRecord before, staged;
    before.Append("COM1_ENABLEST", "0");
    if (!InterceptItemModify(before, staged, key, value)) staged.Append(key, value);
    std::string read;
    const int i = staged.Find(key);
    if (i >= 0) {
        std::vector<uint8_t> data;
        WriteValue(row->kind, staged.values[size_t(i)], data);
        ByteReader reader(data.data(), data.size());
        ReadValue(row->kind, reader, uint8_t(data.size()), read);
    }
    // Read back with the staged enable byte, as the device then holds it.
    std::string shown;
    out.text = FormatItemValue(staged, key, read, shown) ? shown : read;
    return out;
}

StoredValue FamilyB(int ports, const std::string &key, const std::string &value) {
    StoredValue out;
    FieldTable table;
    BuildFieldTable(table, ports);
    const ConfigField *row = FindField(table, key);
    if (!row) return out;
    out.writable = true;
    out.holds = HoldsB(*row);
    // Blocks of zero bytes stand for the device's: the worst case for the
    // bytes a text leaves behind its terminator.
    BlockSlots blocks;
    for (const ConfigField &f : table)
        if (!blocks[f.block]) blocks[f.block] = std::make_unique<Block>();
    if (!BlockWriteHook(table, blocks, *row, value)) EncodeValue(*row, value, *blocks[row->block]);
    DeviceRecord after;
    for (const ConfigField &f : table) after.Append(f.name, DecodeValue(f, *blocks[f.block]));
    std::string shown;
    out.text = FormatBlockValue(after, key, shown) ? shown : DecodeValue(*row, *blocks[row->block]);
    return out;
}

}  // namespace

StoredValue PredictStored(int type, const std::string &key, const std::string &value) {
    StoredValue out;
    if (IsFamilyA(type)) out = FamilyA(uint8_t(type), key, value);
    if (const FamilyBModel *model = FindFamilyBModel(type)) out = FamilyB(model->Ports(), key, value);
    if (IsDestination(key) && out.writable) out.holds += ", or invalid";
    return out;
}

}  // namespace vd
