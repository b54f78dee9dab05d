#include "sim_firmware.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "sim_stream_server.h"

namespace vdsim {

namespace {

constexpr uint8_t kManifest = 0x10, kChunk = 0x20;
constexpr size_t kEntry = 24;
const uint8_t kAck[] = {'o', 'k'};
// The most image bytes a device's memory takes.
constexpr uint32_t kMostImageBytes = 0x1BE00;

uint32_t Little32(const uint8_t *p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint32_t Big16(const uint8_t *p) { return uint32_t(p[0]) << 8 | p[1]; }
uint32_t Big32(const uint8_t *p) { return Big16(p) << 16 | Big16(p + 2); }

// The length of the whole packet at the start of a stream buffer: 0 while
// its header is incomplete, SIZE_MAX when the buffer does not start a packet.
size_t PacketLength(const FirmwareReceiver::Bytes &b) {
    if (b.size() >= 1 && b[0] != 0xAA) return SIZE_MAX;
    if (b.size() >= 2 && b[1] != 0x55) return SIZE_MAX;
    if (b.size() < 5) return 0;
    const size_t length = Big16(&b[3]);
    if (b[2] == kManifest) return 8 + length;
    if (b[2] == kChunk) return 11 + length;
    return SIZE_MAX;
}

}  // namespace

bool TakeFirmwarePacket(const std::vector<uint8_t> &p, std::vector<FirmwareImage> &images) {
    if (p.size() >= 10 && p[0] == 0xAA && p[1] == 0x55 && p[2] == kManifest) {
        const size_t count = Big16(&p[7]);
        images.clear();
        for (size_t i = 0; i < count && 10 + (i + 1) * kEntry <= p.size(); ++i) {
            const uint8_t *e = &p[10 + i * kEntry];
            FirmwareImage image;
            image.name.assign(reinterpret_cast<const char *>(e), strnlen(reinterpret_cast<const char *>(e), 16));
            image.size = Little32(e + 16);
            image.address = Little32(e + 20);
            // A device holds what fits its memory, whatever a manifest says.
            image.data.assign(std::min<uint32_t>(image.size, kMostImageBytes), 0);
            images.push_back(std::move(image));
        }
        return true;
    }
    if (p.size() < 14 || p[0] != 0xAA || p[1] != 0x55 || p[2] != kChunk || p[7] >= images.size()) return false;
    FirmwareImage &image = images[p[7]];
    const uint32_t offset = Big32(&p[10]);
    for (size_t i = 14; i < p.size() && offset + (i - 14) < image.data.size(); ++i) image.data[offset + i - 14] = p[i];
    image.received += p.size() - 14;
    image.chunks.insert(offset);
    return true;
}

bool FirmwareComplete(const std::vector<FirmwareImage> &images) {
    for (const FirmwareImage &image : images)
        if (image.chunks.size() < (size_t(image.size) + 511) / 512) return false;
    return true;
}

FirmwareReceiver::FirmwareReceiver(std::string ip, uint16_t port, Transport transport)
    : m_ip(std::move(ip)), m_port(port), m_transport(transport) {}

FirmwareReceiver::~FirmwareReceiver() { Stop(); }

bool FirmwareReceiver::Start() {
    Stop();
    m_fd = m_transport == Transport::Udp ? OpenUdp(m_ip, m_port) : OpenTcpListener(m_ip, m_port);
    if (m_fd < 0) return false;
    m_thread.Start([this](const std::atomic<bool> &stopping) {
        if (m_transport == Transport::Udp)
            ServeUdp(stopping);
        else
            ServeTcp(stopping);
    });
    return true;
}

void FirmwareReceiver::Stop() {
    m_thread.Stop();
    if (m_fd >= 0) close(m_fd);
    m_fd = -1;
}

void FirmwareReceiver::DelayAnswer(size_t n, int delayMs) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_delays[n] = delayMs;
}

void FirmwareReceiver::AnswerTimes(size_t n, int times) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answers[n] = times;
}

int FirmwareReceiver::Take(const Bytes &p) {
    int delayMs = 0, answers = 1;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto it = m_delays.find(m_packets.size());
        if (it != m_delays.end()) delayMs = it->second;
        const auto times = m_answers.find(m_packets.size());
        if (times != m_answers.end()) answers = times->second;
        m_packets.push_back(p);
        TakeFirmwarePacket(p, m_images);
    }
    m_arrived.notify_all();
    if (delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    return answers;
}

void FirmwareReceiver::ServeUdp(const std::atomic<bool> &stopping) {
    while (!stopping) {
        Datagram d;
        if (!ReceiveDatagram(m_fd, d, 20)) continue;
        for (int n = Take(d.bytes); n > 0; --n) SendDatagram(m_fd, kAck, sizeof kAck, d.from);
    }
}

void FirmwareReceiver::ServeTcp(const std::atomic<bool> &stopping) {
    Bytes pending;
    StreamHandlers handlers;
    handlers.onAccept = [this, &pending] {
        pending.clear();
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_connections;
    };
    handlers.onBytes = [this, &pending](int client, const uint8_t *data, size_t len) {
        pending.insert(pending.end(), data, data + len);
        while (!pending.empty()) {
            const size_t length = PacketLength(pending);
            if (length == SIZE_MAX) {
                pending.erase(pending.begin());
                continue;
            }
            if (length == 0 || pending.size() < length) break;
            const Bytes packet(pending.begin(), pending.begin() + long(length));
            pending.erase(pending.begin(), pending.begin() + long(length));
            for (int n = Take(packet); n > 0; --n) SendAll(client, kAck, sizeof kAck);
        }
        return false;
    };
    ServeOneClientAtATime(m_fd, stopping, handlers);
}

std::vector<FirmwareReceiver::Bytes> FirmwareReceiver::Packets() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_packets;
}

std::vector<FirmwareReceiver::Image> FirmwareReceiver::Images() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_images;
}

size_t FirmwareReceiver::Connections() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_connections;
}

bool FirmwareReceiver::WaitForPackets(size_t count, int timeoutMs) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_packets.size() >= count; });
}

}  // namespace vdsim
