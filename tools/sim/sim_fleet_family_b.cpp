// The family-b fleet member: a family B serial server (its blocks over UDP
// port 8801), a search responder so that searches list it, and its
// AT-command session on TCP. The session keeps its own copy of the
// settings, seeded with the same values as the blocks.
#include <cstdio>

#include "sim_at_device.h"
#include "sim_family_b.h"
#include "sim_fleet_members.h"
#include "sim_search_responder.h"

namespace vdsim {

namespace {

// Offsets of the settings within the device block (0) and a port block.
constexpr size_t kMask = 36, kGateway = 40, kDns = 44, kIpMode = 54, kWebPort = 55, kCmdPort = 57;
constexpr size_t kOp = 0, kPort = 1, kEnable = 7, kD1 = 8, kD2 = 9, kBaud = 10, kDataBits = 14, kStopBits = 15,
                 kParity = 16, kCliPort1 = 32, kCliIp1 = 96;

constexpr uint32_t kBaudRate = 115200;
constexpr uint16_t kWebPortNumber = 80;
constexpr uint16_t kFirstPort = 4001;  // port p listens on 4000 + p
constexpr uint8_t kD1Value = 5;

Bytes Word(uint32_t v) { return {uint8_t(v >> 8), uint8_t(v)}; }
Bytes DWord(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }

// The name and password fields hold 15 bytes and a terminator; an AT
// answer may run past the 200 bytes a host reads of it.
constexpr size_t kMaxText = 15, kMaxAtValue = 4096;

struct Settings {
    std::string name, password;
    std::map<std::string, std::string> atValues;  // beside or instead of the usual ones
    uint16_t atPort = 0;  // 0: no AT session
};

void FillBlocks(FamilyBDevice &d, int ports, const Settings &s) {
    d.SetName(s.name);
    d.SetPassword(s.password);
    d.SetBytes(0, kMask, {255, 0, 0, 0});
    d.SetBytes(0, kGateway, {127, 0, 0, 1});
    d.SetBytes(0, kDns, {127, 0, 0, 1});
    d.SetBytes(0, kIpMode, {0});
    d.SetBytes(0, kWebPort, Word(kWebPortNumber));
    d.SetBytes(0, kCmdPort, Word(s.atPort));
    for (int p = 1; p <= ports; ++p) {
        const uint8_t block = uint8_t(p + 1);
        d.SetBytes(block, kOp, {1});
        d.SetBytes(block, kPort, Word(kFirstPort + unsigned(p) - 1));
        d.SetBytes(block, kEnable, {1});  // D1 in use, D2 not
        d.SetBytes(block, kD1, {kD1Value});
        d.SetBytes(block, kD2, {0});
        d.SetBytes(block, kBaud, DWord(kBaudRate));
        d.SetBytes(block, kDataBits, {8});
        d.SetBytes(block, kStopBits, {1});
        d.SetBytes(block, kParity, {0});
        d.SetBytes(block, kCliPort1, Word(5000));
        d.SetBytes(block, kCliIp1, {127, 0, 0, 1, 0});
    }
}

std::map<std::string, std::string> AtValues(const std::string &ip, const std::string &mac, int ports,
                                             const Settings &s) {
    std::map<std::string, std::string> v = {
        {"NAME", s.name},      {"IP", ip},           {"MASK", "255.0.0.0"},
        {"GATEWAY", "127.0.0.1"}, {"MAC", mac},      {"WEB_PORT", std::to_string(kWebPortNumber)},
    };
    for (int p = 1; p <= ports; ++p) {
        const std::string c = "C" + std::to_string(p) + "_";
        v[c + "PORT"] = std::to_string(kFirstPort + unsigned(p) - 1);
        v[c + "BAUD"] = std::to_string(kBaudRate);
        v[c + "DATAB"] = "8";
        v[c + "STOPB"] = "1";
        v[c + "PARITY"] = "0";
        v[c + "D1"] = "0x05";
        v[c + "D2"] = "invalid";
    }
    for (const auto &chosen : s.atValues) v[chosen.first] = chosen.second;
    return v;
}

std::string Describe(const Bytes &b) {
    if (b.size() == 17 && b[11] == 0x14) {
        if (b[14] == 0x81) return "restart";
        return "read of block " + std::to_string(b[14]);
    }
    if (b.size() == 274 && b[11] == 0xFE) return "write of block " + std::to_string(b[14]);
    return "datagram " + HexBytes(b);
}

class FamilyBMember : public FleetMember {
public:
    FamilyBMember(BroadcastHub &hub, const std::string &ip, uint8_t type, const Mac &mac, uint8_t version,
                  const Settings &s, bool silent, int ignoreWrites)
        : m_hub(hub),
          m_device(ip, type, mac),
          m_search(SearchIdentity{ip, mac, type, 0, version, s.atPort}),
          m_type(type),
          m_password(s.password) {
        FillBlocks(m_device, FamilyBDevice::PortsOf(type), s);
        m_device.SetSilent(silent);
        for (uint8_t block : m_device.BlockNumbers()) m_device.IgnoreWrites(block, ignoreWrites);
        if (s.atPort != 0) {
            AtDeviceSettings at;
            at.address = ip;
            at.port = s.atPort;
            at.password = s.password;
            at.values = AtValues(ip, MacText(mac), FamilyBDevice::PortsOf(type), s);
            m_at = std::make_unique<AtDevice>(at);
            m_at->SetSilent(silent);
            m_atService = "tcp " + std::to_string(s.atPort);
        }
        m_silent = silent;
    }

    bool Start() override {
        // A silent device answers no search either.
        return m_device.Start(&m_hub) && (m_silent || m_search.Start()) && (!m_at || m_at->Start());
    }

    void Stop() override {
        if (m_at) m_at->Stop();
        m_search.Stop();
        m_device.Stop();
    }

    std::vector<FleetRow> Rows() const override {
        std::vector<FleetRow> rows = {
            {"family-b", m_device.Ip(), "udp 8801", m_device.MacText(), std::to_string(m_type), m_password}};
        if (m_at) rows.push_back({"at", m_device.Ip(), m_atService, m_device.MacText(), std::to_string(m_type),
                                  m_password});
        return rows;
    }

    void TakeLog(std::vector<std::string> &lines) override {
        const std::string &ip = m_device.Ip();
        for (const std::string &from : TakeNew(m_search.Answered(), m_searches))
            lines.push_back(LogLine(ip, "family-b", "search from " + from + ", answered with the fixed reply"));
        for (const Bytes &r : TakeNew(m_device.Requests(), m_requests))
            lines.push_back(LogLine(ip, "family-b", Describe(r)));
        if (m_at)
            for (const std::string &line : TakeNew(m_at->Lines(), m_lines))
                lines.push_back(LogLine(ip, "at", line));
    }

private:
    BroadcastHub &m_hub;
    FamilyBDevice m_device;
    SearchResponder m_search;
    std::unique_ptr<AtDevice> m_at;
    std::string m_atService;
    uint8_t m_type;
    std::string m_password;
    bool m_silent = false;
    size_t m_searches = 0, m_requests = 0, m_lines = 0;
};

}  // namespace

std::unique_ptr<FleetMember> MakeFamilyBMember(const FleetEntry &entry, BroadcastHub &hub, std::string &error) {
    EntrySettings s(entry);
    long type = 0, version = 0, atPort = 0, ignoreWrites = 0;
    Mac mac{};
    Settings settings;
    const std::string at = s.Text("at-port", "8800");
    bool ok = s.Number("type", 0, 0, 255, type) && s.Number("version", 5, 0, 255, version) && s.Mac(mac) &&
              s.Number("ignore-writes", 0, 0, 1000000, ignoreWrites);
    if (ok && at != "none") ok = s.Number("at-port", 8800, 1, 65535, atPort);
    ok = ok && s.Escaped("name", "device", kMaxText, settings.name) &&
         s.Escaped("password", "admin", kMaxText, settings.password);
    for (const std::string &key : s.NamesWithPrefix("at."))
        ok = ok && key.size() > 3 && s.Escaped(key, "", kMaxAtValue, settings.atValues[key.substr(3)]);
    settings.atPort = uint16_t(atPort);
    const bool silent = s.Flag("silent");
    if (!s.Check(error) || !ok) return nullptr;
    if (FamilyBDevice::PortsOf(uint8_t(type)) == 0) {
        error = "type=" + std::to_string(type) + " is not a family B type (32, 56, 48, 64)";
        return nullptr;
    }
    return std::make_unique<FamilyBMember>(hub, entry.address, uint8_t(type), mac, uint8_t(version), settings, silent,
                                           int(ignoreWrites));
}

}  // namespace vdsim
