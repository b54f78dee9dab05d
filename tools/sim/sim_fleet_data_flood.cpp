// The data-flood fleet member: a hostile device whose TCP data channel
// sends without end to whoever connects (sim_data_flood.h).
#include "sim_data_flood.h"
#include "sim_fleet_members.h"

namespace vdsim {

namespace {

// The bytes repeated: up to one page of them.
constexpr size_t kMaxPattern = 4096;

class DataFloodMember : public FleetMember {
public:
    DataFloodMember(const std::string &address, uint16_t port, const std::string &pattern)
        : m_flood(address, port, pattern), m_address(address), m_service("tcp " + std::to_string(port)) {}

    bool Start() override { return m_flood.Start(); }
    void Stop() override { m_flood.Stop(); }
    std::vector<FleetRow> Rows() const override { return {{"data-flood", m_address, m_service, "-", "-", "-"}}; }

    void TakeLog(std::vector<std::string> &lines) override {
        for (const std::string &line : m_flood.TakeEnded()) lines.push_back(LogLine(m_address, "data", line));
    }

private:
    DataFlood m_flood;
    std::string m_address, m_service;
};

}  // namespace

std::unique_ptr<FleetMember> MakeDataFloodMember(const FleetEntry &entry, std::string &error) {
    EntrySettings s(entry);
    long port = 0;
    std::string pattern;
    const bool ok = s.Number("port", 8800, 1, 65535, port) && s.Escaped("bytes", "", kMaxPattern, pattern);
    if (!s.Check(error) || !ok) return nullptr;
    return std::make_unique<DataFloodMember>(entry.address, uint16_t(port), pattern);
}

}  // namespace vdsim
