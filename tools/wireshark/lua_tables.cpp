// vandrel-wireshark-tables: prints, as a Lua module, the tables the Wireshark
// dissector decodes with, taken from the library itself when the project is
// built: the family A item table and type groups, the family B field table,
// the key rules (hidden keys, destinations shown as "invalid", inverted
// keys), and the codes and sizes of every packet. The rules are found by
// asking the library's own rule functions, so the dissector follows them.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "codec/codec.h"
#include "devices/family_a/datagram_command.h"
#include "devices/family_a/firmware/firmware_packets.h"
#include "devices/family_a/family_a_handler.h"
#include "devices/family_a/item_frame.h"
#include "devices/family_a/search_reply.h"
#include "devices/family_b/block_protocol.h"
#include "command_packets/command_packet.h"

namespace {

using vd::DeviceRecord;

// rule(info, key, value, out): a family's "value on the way out" function.
using Rule = std::function<int(const DeviceRecord &, const std::string &, const std::string &, std::string &)>;

const char *KindName(vd::ValueKind kind) {
    static const char *const names[] = {"byte", "word", "dword", "address", "word pair", "byte pair", "text", "mac"};
    return names[size_t(kind)];
}

const char *KindName(vd::FieldKind kind) {
    static const char *const names[] = {"bit",        "text",        "byte",     "word",       "dword",
                                        "ip address", "mac address", "ip range", "host or ip"};
    return names[size_t(kind)];
}

const char *AccessName(vd::ItemAccess access) {
    switch (access) {
        case vd::ItemAccess::ReadOnly:
            return "read only";
        case vd::ItemAccess::WriteOnly:
            return "write only";
        default:
            return "read write";
    }
}

// "A1140002" for the bytes A1 14 00 02.
std::string Hex(const uint8_t *bytes, size_t n) {
    std::string out;
    for (size_t i = 0; i < n; ++i) out += vd::Format("%02X", bytes[i]);
    return out;
}

std::string Quoted(const std::string &text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

// The rule fields of a key: hidden from the host, shown inverted ("1" for a
// device's 0), or shown as "invalid" while a bit of a hidden enable key is 0.
std::string RuleFields(const std::string &key, bool hidden, const Rule &rule, const std::vector<std::string> &enableKeys) {
    std::string out;
    if (hidden) out += ", hidden = true";
    DeviceRecord none;
    std::string shown;
    if (rule(none, key, "0", shown) && shown == "1" && rule(none, key, "1", shown) && shown == "0")
        out += ", inverted = true";
    for (const std::string &enable : enableKeys) {
        DeviceRecord info;
        info.Append(enable, "0");
        if (!rule(info, key, "5", shown) || shown != "invalid") continue;
        for (int bit = 0; bit < 8; ++bit) {
            info.values[0] = vd::Format("%d", 1 << bit);
            if (!rule(info, key, "5", shown))
                out += ", enable = " + Quoted(enable) + vd::Format(", enable_bit = %d", bit);
        }
    }
    return out;
}

void PrintFamilyA() {
    std::vector<std::string> enableKeys;
    for (const vd::ItemRow &row : vd::AllItemRows())
        if (vd::IsHiddenItemKey(row.key)) enableKeys.push_back(row.key);
    const Rule rule = [](const DeviceRecord &info, const std::string &key, const std::string &value, std::string &out) {
        return vd::FormatItemValue(info, key, value, out);
    };
    std::printf("items = {\n");
    for (const vd::ItemRow &row : vd::AllItemRows())
        std::printf("  {code = 0x%02X, key = %s, kind = \"%s\", groups = %d, access = \"%s\"%s},\n", row.code,
                    Quoted(row.key).c_str(), KindName(row.kind), row.groups, AccessName(row.access),
                    RuleFields(row.key, vd::IsHiddenItemKey(row.key), rule, enableKeys).c_str());
    std::printf("},\nserial_group = %d,\ngroup_of_type = {", vd::kGroupSerial);
    for (int type = 0; type < 256; ++type)
        if (vd::TypeGroupOf(uint8_t(type)) != vd::kGroupSerial)
            std::printf("[%d] = %d, ", type, vd::TypeGroupOf(uint8_t(type)));
    std::printf("},\n");

    std::printf("item_port = %u, item_start = 0x%02X, item_end = 0x%02X, type_code = 0x%02X, search_code = 0x%02X, "
                "info_code = 0x%02X,\n",
                vd::kItemPort, vd::kItemStart, vd::kItemEnd, vd::kCodeType, vd::kCodeSearchRequest,
                vd::kCodeInfoRequest);
    std::printf("text_limit = %zu, search_reply_size = %zu,\ncommands = {", vd::kMaxTextValue,
                vd::kFixedSearchReplyLength);
    for (const char *name : {"RESETDEV", "10TCTRLIO", "RESETDEV10T"}) {
        const vd::Packet packet = vd::BuildDatagramCommand(7, name, "0");
        if (packet.size() > 1) std::printf("[0x%02X] = \"%s\", ", packet[1], name);
    }
    std::printf("},\n");
}

void PrintFirmware() {
    uint8_t chunk[vd::kChunkHeader];
    vd::FillChunkHeader(chunk, 0, 0, 1);
    const vd::Packet manifest = vd::BuildManifest(vd::ImageTable{});
    int ack = -1;
    for (int c = 0; c < 256 && ack < 0; ++c) {
        const uint8_t byte = uint8_t(c);
        if (vd::IsAcknowledgement(&byte, 1)) ack = c;
    }
    std::printf("firmware = {magic = \"%s\", manifest = 0x%02X, chunk = 0x%02X, chunk_header = %zu, "
                "chunk_data = %zu, entry = %zu, entry_name = %zu, max_images = %zu, ack = 0x%02X},\n",
                Hex(manifest.data(), 2).c_str(), manifest[2], chunk[2], vd::kChunkHeader, vd::kChunkData,
                vd::kImageEntry, vd::kEntryName, vd::kMaxImages, ack);
}

void PrintFamilyB() {
    vd::FieldTable table;
    vd::BuildFieldTable(table, vd::kMaxPorts);
    std::vector<std::string> enableKeys;
    for (const vd::ConfigField &row : table)
        if (vd::IsHiddenBlockKey(row.name)) enableKeys.push_back(row.name);
    const Rule rule = [](const DeviceRecord &info, const std::string &key, const std::string &, std::string &out) {
        return vd::FormatBlockValue(info, key, out);
    };
    std::printf("fields = {\n");
    for (const vd::ConfigField &row : table)
        std::printf("  {key = %s, block = %d, offset = %d, width = %d, bit = %d, kind = \"%s\"%s},\n",
                    Quoted(row.name).c_str(), row.block, row.offset, row.width, row.bit, KindName(row.kind),
                    RuleFields(row.name, vd::IsHiddenBlockKey(row.name), rule, enableKeys).c_str());
    const vd::Block empty{};
    const vd::BlockDatagram read = vd::ReadRequest("0:0:0:0:0:0", 0);
    const vd::BlockDatagram write = vd::WriteRequest("0:0:0:0:0:0", 0, empty);
    const vd::BlockDatagram restart = vd::RestartRequest("0:0:0:0:0:0");
    std::printf("},\nblocks = {port = %u, marker = \"%s\", read = \"%s\", write = \"%s\", restart_block = 0x%02X, "
                "read_size = %zu, write_size = %zu, reply_size = %zu, block_size = %zu, slots = %zu},\n",
                vd::kBlockPort, Hex(read.data(), 4).c_str(), Hex(read.data() + 10, 4).c_str(),
                Hex(write.data() + 10, 4).c_str(), restart[14], read.size(), write.size(), vd::kBlockReplySize,
                vd::kBlockSize, vd::kBlockSlots);
}

void PrintCommandPackets() {
    uint8_t sample[vd::kMaxPacket];
    size_t sampleLength = 0;
    vd::BuildCommandPacket(sample, sampleLength, "GETADC", "");
    std::printf("io_start = 0x%02X, io_end = 0x%02X,\nio_commands = {\n", sample[0], sample[sampleLength - 1]);
    for (const char *name : {"GETIOSTAT", "SETIODIR", "SETIOLEVEL", "RESETDEV", "GETADC"}) {
        uint8_t packet[vd::kMaxPacket];
        size_t length = 0;
        vd::BuildCommandPacket(packet, length, name, "0");
        if (length < 2) continue;
        // A reply's two readings are one or two bytes each, or absent.
        const uint8_t probe[] = {1, 2, 3, 4};
        uint32_t readings[2];
        const bool read = vd::ReplyReadings(packet[1], probe, sizeof probe, readings);
        std::printf("  [%d] = {name = \"%s\", parameter = %s, reading_width = %d},\n", packet[1], name,
                    length > 5 ? "true" : "false", read ? (readings[0] > 255 ? 2 : 1) : 0);
    }
    std::printf("},\n");
}

}  // namespace

// vandrel-wireshark-tables FILE VERSION
int main(int argc, char **argv) {
    if (argc != 3 || !std::freopen(argv[1], "w", stdout)) {
        std::fprintf(stderr, "usage: vandrel-wireshark-tables FILE VERSION\n");
        return 2;
    }
    std::printf("-- The Vandrel dissector's tables, printed from the library's own tables by\n"
                "-- vandrel-wireshark-tables when the project is built: do not edit.\n"
                "return {\nversion = \"%s\",\n",
                argv[2]);
    PrintFamilyA();
    PrintFirmware();
    PrintFamilyB();
    PrintCommandPackets();
    std::printf("}\n");
    return std::fclose(stdout) == 0 ? 0 : 1;
}
