// The firmware fleet member: a firmware receiver on UDP or TCP that takes a
// download's manifest and chunks and acknowledges each packet.
#include <cstring>

#include "sim_firmware.h"
#include "sim_fleet_members.h"

namespace vdsim {

std::string DescribeFirmwarePacket(const std::vector<uint8_t> &p) {
    if (p.size() >= 10 && p[2] == 0x10) {
        const unsigned count = unsigned(p[7]) << 8 | p[8];
        std::string names;
        for (size_t i = 0; i < count && 10 + (i + 1) * 24 <= p.size(); ++i) {
            const char *e = reinterpret_cast<const char *>(&p[10 + i * 24]);
            names += " " + std::string(e, strnlen(e, 16));
        }
        return count == 0 ? "erase (empty manifest)" : "manifest of " + std::to_string(count) + " image(s):" + names;
    }
    if (p.size() >= 14 && p[2] == 0x20) {
        const uint32_t offset = uint32_t(p[10]) << 24 | uint32_t(p[11]) << 16 | uint32_t(p[12]) << 8 | p[13];
        return "chunk of image " + std::to_string(p[7]) + " at offset " + std::to_string(offset) + ", " +
               std::to_string(p.size() - 14) + " bytes";
    }
    return "unknown packet " + HexBytes(p);
}

namespace {

class FirmwareMember : public FleetMember {
public:
    FirmwareMember(const std::string &address, uint16_t port, bool tcp)
        : m_receiver(address, port, tcp ? FirmwareReceiver::Transport::Tcp : FirmwareReceiver::Transport::Udp),
          m_address(address),
          m_service((tcp ? "tcp " : "udp ") + std::to_string(port)) {}

    bool Start() override { return m_receiver.Start(); }
    void Stop() override { m_receiver.Stop(); }
    std::vector<FleetRow> Rows() const override { return {{"firmware", m_address, m_service, "-", "-", "-"}}; }

    void TakeLog(std::vector<std::string> &lines) override {
        for (const auto &p : TakeNew(m_receiver.Packets(), m_logged))
            lines.push_back(LogLine(m_address, "firmware", DescribeFirmwarePacket(p)));
    }

private:
    FirmwareReceiver m_receiver;
    std::string m_address, m_service;
    size_t m_logged = 0;
};

}  // namespace

std::unique_ptr<FleetMember> MakeFirmwareMember(const FleetEntry &entry, std::string &error) {
    EntrySettings s(entry);
    long port = 0;
    const bool ok = s.Number("port", 8800, 1, 65535, port);
    const std::string transport = s.Text("transport", "tcp");
    if (!s.Check(error) || !ok) return nullptr;
    if (transport != "tcp" && transport != "udp") {
        error = "transport=" + transport + ": expected tcp or udp";
        return nullptr;
    }
    return std::make_unique<FirmwareMember>(entry.address, uint16_t(port), transport == "tcp");
}

}  // namespace vdsim
