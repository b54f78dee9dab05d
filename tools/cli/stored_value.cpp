#include "stored_value.h"

#include <memory>
#include <vector>

#include "base/byte_reader.h"
#include "base/family_b_models.h"
#include "core/device_record.h"
#include "device.h"
#include "devices/family_a/item_table.h"
#include "devices/family_a/key_rules.h"
#include "devices/family_a/value_kind.h"
#include "devices/family_b/field_table.h"
#include "devices/family_b/key_rules.h"
#include "devices/family_b/value_codec.h"

namespace vdcli {

namespace {

bool IsDestination(const std::string &key) {
    return key.find("_D1") != std::string::npos || key.find("_D2") != std::string::npos;
}

std::string HoldsA(vd::ValueKind kind) {
    switch (kind) {
    case vd::ValueKind::Byte: return "a number from 0 to 255";
    case vd::ValueKind::Word: return "a number from 0 to 65535";
    case vd::ValueKind::Dword: return "a number from 0 to 4294967295";
    case vd::ValueKind::Address: return "a dotted IPv4 address";
    case vd::ValueKind::WordPair: return "two numbers from 0 to 65535, as A,B";
    case vd::ValueKind::BytePair: return "two numbers from 0 to 255, as A,B";
    case vd::ValueKind::Text: return "at most " + std::to_string(vd::kTextWidth) + " characters";
    case vd::ValueKind::Mac: return "nothing: it is read only";
    }
    return "";
}

std::string HoldsB(const vd::ConfigField &row) {
    switch (row.kind) {
    case vd::FieldKind::Bit: return "0 or 1";
    case vd::FieldKind::Text: return "at most " + std::to_string(row.width - 1) + " characters";
    case vd::FieldKind::Byte: return "a number from 0 to 255";
    case vd::FieldKind::Word: return "a number from 0 to 65535";
    case vd::FieldKind::DWord: return "a number from -2147483648 to 2147483647";
    case vd::FieldKind::IpAddress: return "a dotted IPv4 address";
    case vd::FieldKind::MacAddress: return "a MAC address";
    case vd::FieldKind::IpRange: return "two addresses as A-B, or invalid";
    case vd::FieldKind::HostOrIp:
        return "an IPv4 address, two as A-B, or a host name of up to " + std::to_string(row.width - 1) +
               " characters";
    }
    return "";
}

StoredValue FamilyA(uint8_t type, const std::string &key, const std::string &value) {
    StoredValue out;
    const vd::ItemRow *row = vd::FindWriteRow(key, type);
    if (!row) return out;
    out.writable = true;
    // IP_MODE is sent inverted: any number but 0 reads back as 0.
    out.holds = key == "IP_MODE" ? "0 or 1" : HoldsA(row->kind);
    // Staged as the library stages it: a destination changes the enable
    // byte (read before as all off), IP_MODE goes out inverted.
    vd::DeviceRecord before, staged;
    before.Append("COM1_ENABLEST", "0");
    if (!vd::InterceptItemModify(before, staged, key, value)) staged.Append(key, value);
    vd::CString read;
    const int i = staged.Find(key);
    if (i >= 0) {
        std::vector<uint8_t> data;
        vd::WriteValue(row->kind, staged.values[size_t(i)], data);
        vd::ByteReader reader(data.data(), data.size());
        vd::ReadValue(row->kind, reader, uint8_t(data.size()), read);
    }
    // Read back with the staged enable byte, as the device then holds it.
    vd::CString shown;
    out.text = vd::FormatItemValue(staged, key, read, shown) ? shown : read;
    return out;
}

StoredValue FamilyB(int ports, const std::string &key, const std::string &value) {
    StoredValue out;
    vd::FieldTable table;
    vd::BuildFieldTable(table, ports);
    const vd::ConfigField *row = vd::FindField(table, key);
    if (!row) return out;
    out.writable = true;
    out.holds = HoldsB(*row);
    // Blocks of zero bytes stand for the device's: the worst case for the
    // bytes a text leaves behind its terminator.
    vd::BlockSlots blocks;
    for (const vd::ConfigField &f : table)
        if (!blocks[f.block]) blocks[f.block] = std::make_unique<vd::Block>();
    if (!vd::BlockWriteHook(table, blocks, *row, value)) vd::EncodeValue(*row, value, *blocks[row->block]);
    vd::DeviceRecord after;
    for (const vd::ConfigField &f : table) after.Append(f.name, vd::DecodeValue(f, *blocks[f.block]));
    vd::CString shown;
    out.text = vd::FormatBlockValue(after, key, shown) ? shown : vd::DecodeValue(*row, *blocks[row->block]);
    return out;
}

}  // namespace

StoredValue PredictStored(int type, const std::string &key, const std::string &value) {
    StoredValue out;
    if (FamilyOf(type) == Family::A) out = FamilyA(uint8_t(type), key, value);
    if (const vd::FamilyBModel *model = FamilyOf(type) == Family::B ? vd::FindFamilyBModel(type) : nullptr)
        out = FamilyB(model->Ports(), key, value);
    if (IsDestination(key) && out.writable) out.holds += ", or invalid";
    return out;
}

}  // namespace vdcli
