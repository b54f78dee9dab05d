// The io-module fleet member: an IO module on a TCP port that answers the
// device command packets with fixed readings.
#include "sim_fleet_members.h"
#include "sim_io_module.h"

namespace vdsim {

namespace {

const char *CommandName(uint8_t code) {
    switch (code) {
    case 1: return "GETIOSTAT";
    case 2: return "SETIODIR";
    case 3: return "SETIOLEVEL";
    case 4: return "RESETDEV";
    case 5: return "GETADC";
    default: return nullptr;
    }
}

class IoModuleMember : public FleetMember {
public:
    explicit IoModuleMember(const IoModuleSettings &s)
        : m_module(s), m_address(s.address), m_service("tcp " + std::to_string(s.port)) {}

    bool Start() override { return m_module.Start(); }
    void Stop() override { m_module.Stop(); }
    std::vector<FleetRow> Rows() const override { return {{"io-module", m_address, m_service, "-", "-", "-"}}; }

    // The module's bytes arrive as a stream: each complete packet is one
    // request, and bytes that start none are reported together.
    void TakeLog(std::vector<std::string> &lines) override {
        const IoModule::Bytes all = m_module.Received();
        size_t stray = 0;
        while (m_parsed < all.size()) {
            if (all[m_parsed] != 0xAA) {
                ++stray;
                ++m_parsed;
                continue;
            }
            if (m_parsed + 3 > all.size() || m_parsed + all[m_parsed + 2] + 5u > all.size()) break;
            const size_t n = all[m_parsed + 2];
            const char *name = CommandName(all[m_parsed + 1]);
            std::string what = name ? name : "unknown command " + HexBytes({all[m_parsed + 1]});
            if (n > 0) what += " " + std::to_string(all[m_parsed + 3]);
            lines.push_back(LogLine(m_address, "io-module", what));
            m_parsed += n + 5;
        }
        if (stray > 0) lines.push_back(LogLine(m_address, "io-module", std::to_string(stray) + " stray byte(s)"));
    }

private:
    IoModule m_module;
    std::string m_address, m_service;
    size_t m_parsed = 0;
};

}  // namespace

std::unique_ptr<FleetMember> MakeIoModuleMember(const FleetEntry &entry, std::string &error) {
    EntrySettings s(entry);
    long port = 0, adc[2] = {0, 0}, io[2] = {0, 0};
    const bool ok = s.Number("port", 8800, 1, 65535, port) && s.Pair("adc", 65535, adc) && s.Pair("io", 255, io);
    if (!s.Check(error) || !ok) return nullptr;
    IoModuleSettings settings;
    settings.address = entry.address;
    settings.port = uint16_t(port);
    settings.adc[0] = uint16_t(adc[0]);
    settings.adc[1] = uint16_t(adc[1]);
    settings.io[0] = uint8_t(io[0]);
    settings.io[1] = uint8_t(io[1]);
    return std::make_unique<IoModuleMember>(settings);
}

}  // namespace vdsim
