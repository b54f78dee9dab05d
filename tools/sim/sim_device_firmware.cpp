#include "sim_device_firmware.h"

#include <cstdio>
#include <cstring>

namespace vdsim {

namespace {

constexpr uint8_t kChunk = 0x20;

// The version byte an image names by VERSION=M.NN (M.NN as a search
// reports it: the byte plus 100, in hundredths); -1 when it names none.
int NamedVersion(const std::vector<uint8_t> &image) {
    static const char kMark[] = "VERSION=";
    const size_t mark = sizeof kMark - 1;
    for (size_t at = 0; at + mark + 4 <= image.size(); ++at) {
        if (std::memcmp(&image[at], kMark, mark) != 0) continue;
        const uint8_t *v = &image[at + mark];
        auto digit = [](uint8_t c) { return c >= '0' && c <= '9'; };
        if (!digit(v[0]) || v[1] != '.' || !digit(v[2]) || !digit(v[3])) return -1;
        const int byte = (v[0] - '0') * 100 + (v[2] - '0') * 10 + (v[3] - '0') - 100;
        return byte >= 0 && byte <= 255 ? byte : -1;
    }
    return -1;
}

// The version byte as a search reports it: 6 is "1.06".
std::string VersionText(int byte) {
    const int v = byte + 100;
    char text[32];
    std::snprintf(text, sizeof text, "%d.%02d", v / 100, v % 100);
    return text;
}

}  // namespace

bool ParseFirmwareFault(const std::string &text, FirmwareFault &fault) {
    const std::pair<const char *, FirmwareFault> kFaults[] = {{"none", FirmwareFault::None},
                                                              {"no-ack", FirmwareFault::NoChunkAck},
                                                              {"never-back", FirmwareFault::NeverBack},
                                                              {"stays-old", FirmwareFault::StaysOld}};
    for (const auto &known : kFaults)
        if (text == known.first) {
            fault = known.second;
            return true;
        }
    return false;
}

bool DeviceFirmware::IsDownloadPacket(const std::vector<uint8_t> &packet) {
    return packet.size() >= 3 && packet[0] == 0xAA && packet[1] == 0x55;
}

bool DeviceFirmware::Take(const std::vector<uint8_t> &packet) {
    if (packet[2] == kChunk && m_fault == FirmwareFault::NoChunkAck) return false;
    const bool wasWhole = m_whole;
    if (!TakeFirmwarePacket(packet, m_images)) return false;
    m_whole = !m_images.empty() && FirmwareComplete(m_images);
    if (packet[2] != kChunk) return true;
    if (m_whole && !wasWhole) {
        size_t bytes = 0;
        for (const FirmwareImage &image : m_images) bytes += image.size;
        const int version = NamedVersion(m_images[0].data);
        m_events.push_back("firmware downloaded: " + std::to_string(m_images.size()) + " image(s), " +
                           std::to_string(bytes) + " bytes, " +
                           (version < 0 ? "naming no version" : "version " + VersionText(version)));
    }
    return true;
}

void DeviceFirmware::Restart(Clock::time_point now) {
    if (m_away) return;
    m_away = true;
    m_backAt = now + m_restartTime;
    m_bootVersion = m_whole && m_fault != FirmwareFault::StaysOld ? NamedVersion(m_images[0].data) : -1;
    m_events.push_back(m_fault == FirmwareFault::NeverBack ? "restarting, never to come back" : "restarting");
}

bool DeviceFirmware::IsAway(Clock::time_point now, int &version) {
    if (!m_away) return false;
    if (m_fault == FirmwareFault::NeverBack || now < m_backAt) return true;
    m_away = false;
    if (m_bootVersion >= 0) version = m_bootVersion;
    m_events.push_back("back, running version " + VersionText(version));
    return false;
}

std::vector<std::string> DeviceFirmware::TakeEvents() {
    std::vector<std::string> events;
    events.swap(m_events);
    return events;
}

}  // namespace vdsim
