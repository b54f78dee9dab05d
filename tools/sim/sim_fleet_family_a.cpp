// The family-a fleet member: a family A device with the settings of its type
// group, all keys filled so that reading it shows a whole device.
#include <arpa/inet.h>

#include "sim_family_a.h"
#include "sim_fleet_members.h"

namespace vdsim {

namespace {

enum Group : uint8_t { kSerial = 1, kTenT = 2, kCan = 4, kAll = 7 };

Group GroupOf(uint8_t type) {
    if (type == 3 || type == 7 || type == 9) return kTenT;
    if (type >= 17 && type <= 19) return kCan;
    return kSerial;
}

enum class Kind { Byte, Word, DWord, Address, BytePair, WordPair };

// The device's starting settings by item code; NAME, PASS, IP, MAC, TYPE
// and VERSION come from the entry.
struct DefaultItem {
    uint8_t code;
    uint8_t groups;
    Kind kind;
    uint32_t a, b;  // the number, address (host order) or pair
};

constexpr uint32_t kLocal = 0x7F000001;  // 127.0.0.1
constexpr uint32_t kMask = 0xFF000000;   // 255.0.0.0

const DefaultItem kItems[] = {
    {0x08, kAll, Kind::Byte, 1, 0},            // C1_OP
    {0x13, kAll, Kind::Byte, 0, 0},            // IP_MODE (device byte 0: static)
    {0x21, kAll, Kind::Byte, 0, 0},            // C1_TCP_TURBO
    {0x1F, kAll, Kind::Byte, 0, 0},            // C1_BUF_CLS
    {0x09, kAll, Kind::Word, 4001, 0},         // C1_PORT
    {0x06, kAll, Kind::Address, kMask, 0},     // MASK
    {0x07, kAll, Kind::Address, kLocal, 0},    // GATEWAY
    {0x1C, kAll, Kind::Address, 0, 0},         // C1_GROUPIP
    {0x1D, kAll, Kind::WordPair, 0, 0},        // C1_DEVADC
    {0x16, kAll, Kind::BytePair, 0, 0},        // C1_DEVIO
    {0x22, kTenT, Kind::Byte, 0, 0},           // 10TIO
    {0x1E, kTenT, Kind::Word, 10, 0},          // PACKETINT
    {0x22, kSerial | kCan, Kind::Word, 80, 0}, // WEB_PORT
    {0x1E, kSerial | kCan, Kind::Byte, 0, 0},  // C1_TCP_CLS
    {0x0B, kCan, Kind::DWord, 0, 0},           // CANSTDFTID
    {0x0C, kCan, Kind::DWord, 0x7FF, 0},       // CANSTDFTIDAREA
    {0x0D, kCan, Kind::DWord, 0, 0},           // CANEXTFTID
    {0x0E, kCan, Kind::DWord, 0x1FFFFFFF, 0},  // CANEXTFTIDAREA
    {0x0F, kCan, Kind::DWord, 250000, 0},      // CANBAUD1
    {0x11, kCan, Kind::Address, kLocal, 0},    // CANDESIP1
    {0x12, kCan, Kind::Word, 4001, 0},         // CANDESPORT1
    {0x17, kCan, Kind::Byte, 0, 0},            // CANLISTENMD1
    {0x0A, kCan, Kind::Word, 4002, 0},         // C2_PORT
    {0x10, kCan, Kind::DWord, 500000, 0},      // CANBAUD2
    {0x18, kCan, Kind::Byte, 0, 0},            // CANLISTENMD2
    {0x19, kCan, Kind::Address, kLocal, 0},    // CANDESIP2
    {0x20, kCan, Kind::Word, 4002, 0},         // CANDESPORT2
    {0x0B, kSerial | kTenT, Kind::Word, 0, 0},       // C1_TCPAT
    {0x0C, kSerial | kTenT, Kind::Byte, 1, 0},       // COM1_ENABLEST: D1 in use
    {0x0D, kSerial | kTenT, Kind::Byte, 5, 0},       // C1_D1
    {0x0E, kSerial | kTenT, Kind::Byte, 0, 0},       // C1_D2
    {0x0F, kSerial | kTenT, Kind::Byte, 9, 0},       // C1_BAUD (a code)
    {0x11, kSerial | kTenT, Kind::Byte, 1, 0},       // C1_STOPB
    {0x12, kSerial | kTenT, Kind::Byte, 0, 0},       // C1_PARITY
    {0x17, kSerial | kTenT, Kind::Address, kLocal, 0}, // C1_CLI_IP1
    {0x0A, kSerial | kTenT, Kind::Word, 0, 0},       // C1_IT
    {0x10, kSerial | kTenT, Kind::Byte, 8, 0},       // C1_DATAB
    {0x18, kSerial | kTenT, Kind::Word, 5000, 0},    // C1_CLI_PP1
    {0x19, kSerial | kTenT, Kind::Word, 0, 0},       // C1_IOPORT
};

constexpr uint8_t kCodeName = 0x02, kCodeVersion = 0x20;
constexpr size_t kMaxDatagram = 65507;

Bytes Encode(Kind kind, uint32_t a, uint32_t b) {
    switch (kind) {
    case Kind::Byte: return {uint8_t(a)};
    case Kind::Word: return {uint8_t(a >> 8), uint8_t(a)};
    case Kind::DWord:
    case Kind::Address: return {uint8_t(a >> 24), uint8_t(a >> 16), uint8_t(a >> 8), uint8_t(a)};
    case Kind::BytePair: return {uint8_t(a), uint8_t(b)};
    case Kind::WordPair: return {uint8_t(a >> 8), uint8_t(a), uint8_t(b >> 8), uint8_t(b)};
    }
    return {};
}

std::string Describe(const FamilyADevice::Received &r) {
    const Bytes &b = r.bytes;
    const uint8_t code = b.size() >= 2 && b[0] == 0xA1 ? b[1] : 0;
    if (DeviceFirmware::IsDownloadPacket(b)) return "firmware " + DescribeFirmwarePacket(b) + " from " + r.from;
    switch (code) {
    case 0x15: return std::string(r.broadcast ? "broadcast" : "unicast") + " search from " + r.from;
    case 0x14: return "information request from " + r.from;
    case 0x1B: return "restart (RESETDEV) from " + r.from;
    case 0x25: return "restart (RESETDEV10T) from " + r.from;
    case 0x23: return "10TCTRLIO from " + r.from;
    default: break;
    }
    if (r.broadcast) return "ignored broadcast " + HexBytes(b) + " from " + r.from;
    std::string codes;
    for (size_t pos = 0; pos + 4 <= b.size() && b[pos] == 0xA1 && pos + b[pos + 2] + 4 <= b.size();
         pos += b[pos + 2] + 4u)
        codes += " " + HexBytes({b[pos + 1]});
    return "write of items" + codes + " from " + r.from;
}

class FamilyAMember : public FleetMember {
public:
    FamilyAMember(const FleetEntry &e, uint8_t type, const Mac &mac, std::string password)
        : m_device(e.address, type, mac), m_type(type), m_password(std::move(password)) {}

    FamilyADevice &Device() { return m_device; }
    bool Start() override { return m_device.Start(); }
    void Stop() override { m_device.Stop(); }

    std::vector<FleetRow> Rows() const override {
        const Bytes mac = m_device.Item(0x04);
        return {{"family-a", m_device.Ip(), "udp 8800", MacText({mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]}),
                 std::to_string(m_type), m_password}};
    }

    void TakeLog(std::vector<std::string> &lines) override {
        for (const auto &r : TakeNew(m_device.ReceivedDatagrams(), m_logged))
            lines.push_back(LogLine(m_device.Ip(), "family-a", Describe(r)));
        for (const std::string &event : m_device.TakeFirmwareEvents())
            lines.push_back(LogLine(m_device.Ip(), "family-a", event));
    }

private:
    FamilyADevice m_device;
    uint8_t m_type;
    std::string m_password;
    size_t m_logged = 0;
};

}  // namespace

std::unique_ptr<FleetMember> MakeFamilyAMember(const FleetEntry &entry, std::string &error) {
    EntrySettings s(entry);
    long type = 0, version = 0, answers = -1, restartMs = 0;
    Mac mac{};
    // An item holds up to 255 bytes; a raw reply, one datagram.
    std::string name, password, searchReply, infoReply;
    const bool ok = s.Number("type", 0, 0, 255, type) && s.Number("version", 5, 0, 255, version) && s.Mac(mac) &&
                    s.Number("silent-after", -1, 0, 1000000, answers) &&
                    s.Number("restart-ms", 0, 0, 600000, restartMs) && s.Escaped("name", "device", 255, name) &&
                    s.Escaped("password", "admin", 255, password) &&
                    s.Escaped("search-reply", "", kMaxDatagram, searchReply) &&
                    s.Escaped("info-reply", "", kMaxDatagram, infoReply);
    const std::string search = s.Text("search", "fixed");
    const bool silent = s.Flag("silent");
    const std::string firmware = s.Text("firmware", "none");
    if (!s.Check(error) || !ok) return nullptr;
    FirmwareFault fault;
    if (!ParseFirmwareFault(firmware, fault)) {
        error = "firmware=" + firmware + ": expected none, no-ack, never-back or stays-old";
        return nullptr;
    }
    const bool known = (type >= 1 && type <= 9) || (type >= 17 && type <= 19) || type == 33;
    if (!known) {
        error = "type=" + std::to_string(type) + " is not a family A type (1-9, 17-19, 33)";
        return nullptr;
    }
    if (search != "fixed" && search != "items") {
        error = "search=" + search + ": expected fixed or items";
        return nullptr;
    }
    auto member = std::make_unique<FamilyAMember>(entry, uint8_t(type), mac, password);
    FamilyADevice &d = member->Device();
    d.SetText(kCodeName, name);
    d.SetPassword(password);
    const Group group = GroupOf(uint8_t(type));
    for (const DefaultItem &item : kItems)
        if (item.groups & group) d.SetItem(item.code, Encode(item.kind, item.a, item.b));
    if (group != kCan) d.SetItem(kCodeVersion, {uint8_t(version)});
    d.SetSearchReply(search == "fixed" ? FamilyADevice::SearchReply::Fixed : FamilyADevice::SearchReply::Items);
    d.SetFixedReplyFields(0, uint8_t(version), 8800);
    if (!searchReply.empty()) d.SetSearchReplyBytes(Bytes(searchReply.begin(), searchReply.end()));
    if (!infoReply.empty()) d.SetInfoReply(Bytes(infoReply.begin(), infoReply.end()));
    d.SetSilent(silent);
    d.SetInfoAnswerLimit(int(answers));
    d.SetFirmware(std::chrono::milliseconds(restartMs), fault);
    return member;
}

}  // namespace vdsim
