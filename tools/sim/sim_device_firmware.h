// The firmware of a simulated family A device: it takes a download on its
// item port (a manifest, then chunks, each acknowledged with "ok"), and on a
// restart goes quiet for a while and comes back running what it was last
// given whole. By the simulator's convention an image names its version in
// its first image as the text VERSION=1.06, which the device then reports
// (in its search reply and its VERSION setting). Faults make it fail as a
// device can: never acknowledge a chunk, never come back after a restart,
// or come back with its old version.
#ifndef VANDREL_SIM_SIM_DEVICE_FIRMWARE_H
#define VANDREL_SIM_SIM_DEVICE_FIRMWARE_H

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "sim_firmware.h"

namespace vdsim {

enum class FirmwareFault { None, NoChunkAck, NeverBack, StaysOld };

// The fault a setting's text names ("none", "no-ack", "never-back",
// "stays-old"); false for another text.
bool ParseFirmwareFault(const std::string &text, FirmwareFault &fault);

class DeviceFirmware {
public:
    using Clock = std::chrono::steady_clock;

    void SetFault(FirmwareFault fault) { m_fault = fault; }
    void SetRestartTime(std::chrono::milliseconds time) { m_restartTime = time; }

    // Whether a datagram is a download packet (starts AA 55).
    static bool IsDownloadPacket(const std::vector<uint8_t> &packet);
    // Takes a download packet; true when it is to be acknowledged.
    bool Take(const std::vector<uint8_t> &packet);
    void Restart(Clock::time_point now);
    // Whether the device is away at now. Once it is back, version (the
    // version byte) is what it runs.
    bool IsAway(Clock::time_point now, int &version);
    // What happened since the last call, one line each ("downloaded ...").
    std::vector<std::string> TakeEvents();

private:
    FirmwareFault m_fault = FirmwareFault::None;
    std::chrono::milliseconds m_restartTime{0};  // back at once
    std::vector<FirmwareImage> m_images;
    bool m_whole = false;    // the last download came whole
    bool m_away = false;
    int m_bootVersion = -1;  // the version it comes back with; -1: its own
    Clock::time_point m_backAt;
    std::vector<std::string> m_events;
};

}  // namespace vdsim

#endif
