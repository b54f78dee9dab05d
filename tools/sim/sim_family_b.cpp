#include "sim_family_b.h"

#include <arpa/inet.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace vdsim {

namespace {

constexpr uint8_t kStart[] = {0x00, 0x02, 0x00, 0x02};
constexpr uint8_t kRead[] = {0xA1, 0x14, 0x00, 0x02};
constexpr uint8_t kWrite[] = {0xA1, 0xFE, 0x01, 0x03};
constexpr uint8_t kRestartBlock = 0x81;
constexpr size_t kReadSize = 17, kWriteSize = 274;
constexpr size_t kCodeAt = 10, kBlockAt = 14, kWriteDataAt = 16;
constexpr size_t kIpAt = 32, kMacAt = 48;

bool Has(const Bytes &bytes, size_t at, const uint8_t (&part)[4]) {
    return bytes.size() >= at + 4 && std::equal(std::begin(part), std::end(part), bytes.begin() + long(at));
}

bool IsRead(const Bytes &b) { return b.size() == kReadSize && Has(b, kCodeAt, kRead); }
bool IsWrite(const Bytes &b) { return b.size() == kWriteSize && Has(b, kCodeAt, kWrite); }

// Takes one from the fault count of block; true while one was left.
bool TakeFault(std::map<uint8_t, int> &faults, uint8_t block) {
    auto it = faults.find(block);
    if (it == faults.end() || it->second <= 0) return false;
    --it->second;
    return true;
}

}  // namespace

int FamilyBDevice::PortsOf(uint8_t type) {
    switch (type) {
        case 32:
            return 1;
        case 56:
            return 2;
        case 48:
            return 4;
        case 64:
            return 8;
        default:
            return 0;
    }
}

FamilyBDevice::FamilyBDevice(std::string ip, uint8_t type, const Mac &mac, uint16_t port)
    : m_ip(std::move(ip)), m_type(type), m_mac(mac), m_port(port) {
    for (uint8_t b : BlockNumbers()) m_blocks[b] = Bytes(kBlockSize, 0);
    SetIp(m_ip);
    SetBytes(0, kMacAt, Bytes(mac.begin(), mac.end()));
}

FamilyBDevice::~FamilyBDevice() { Stop(); }

std::vector<uint8_t> FamilyBDevice::BlockNumbers() const {
    std::vector<uint8_t> out = {0};
    for (int p = 1; p <= PortsOf(m_type); ++p) out.push_back(uint8_t(p + 1));
    return out;
}

Bytes FamilyBDevice::Block(uint8_t block) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_blocks.find(block);
    return it == m_blocks.end() ? Bytes() : it->second;
}

void FamilyBDevice::SetBlock(uint8_t block, const Bytes &data) { SetBytes(block, 0, data); }

void FamilyBDevice::SetBytes(uint8_t block, size_t offset, const Bytes &bytes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_blocks.find(block);
    if (it == m_blocks.end()) return;
    for (size_t i = 0; i < bytes.size() && offset + i < kBlockSize; ++i) it->second[offset + i] = bytes[i];
}

void FamilyBDevice::SetText(uint8_t block, size_t offset, const std::string &text) {
    Bytes bytes(text.begin(), text.end());
    bytes.push_back(0);
    SetBytes(block, offset, bytes);
}

void FamilyBDevice::SetIp(const std::string &ip) {
    Bytes b(4, 0);
    inet_pton(AF_INET, ip.c_str(), b.data());
    SetBytes(0, kIpAt, b);
}

void FamilyBDevice::SetSilent(bool silent) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_silent = silent;
}

void FamilyBDevice::DropReplies(uint8_t block, int count) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_dropReplies[block] = count;
}

void FamilyBDevice::SetDuplicateReplies(bool duplicate) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_duplicate = duplicate;
}

void FamilyBDevice::IgnoreWrites(uint8_t block, int count) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_ignoreWrites[block] = count;
}

std::string FamilyBDevice::MacText() const {
    char text[18];
    std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", m_mac[0], m_mac[1], m_mac[2], m_mac[3],
                  m_mac[4], m_mac[5]);
    return text;
}

bool FamilyBDevice::Start(BroadcastHub *hub) {
    Stop();
    const auto handle = [this](const Datagram &d, bool) { Handle(d); };
    if (!hub) return m_udp.Start(m_ip, m_port, handle);
    if (!m_udp.Start(m_ip, m_port, handle, Broadcasts::LeftToHub)) return false;
    m_hub = hub;
    return hub->Join(m_mac, m_ip, [this](const Datagram &d) { Handle(d); });
}

void FamilyBDevice::Stop() {
    if (m_hub) m_hub->Leave(m_mac);
    m_hub = nullptr;
    m_udp.Stop();
}

bool FamilyBDevice::IsMine(const Bytes &bytes) const {
    return Has(bytes, 0, kStart) && bytes.size() >= 10 && std::equal(m_mac.begin(), m_mac.end(), bytes.begin() + 4);
}

void FamilyBDevice::Handle(const Datagram &d) {
    const Bytes &in = d.bytes;
    Bytes reply;
    bool duplicate;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        duplicate = m_duplicate;
        m_received.push_back(in);
        if (IsMine(in) && in.size() > kBlockAt) {
            const uint8_t block = in[kBlockAt];
            auto it = m_blocks.find(block);
            if (IsRead(in) && block == kRestartBlock) {
                ++m_restarts;
            } else if (IsRead(in) && it != m_blocks.end() && !m_silent && !TakeFault(m_dropReplies, block)) {
                // Start, MAC and the request's code, the block number, the block.
                reply.assign(in.begin(), in.begin() + long(kBlockAt + 1));
                reply.insert(reply.end(), it->second.begin(), it->second.end());
            } else if (IsWrite(in) && it != m_blocks.end() && !TakeFault(m_ignoreWrites, block)) {
                std::copy_n(in.begin() + long(kWriteDataAt), kBlockSize, it->second.begin());
            }
        }
    }
    m_arrived.notify_all();
    if (!reply.empty()) m_udp.Answer(reply, d.from);
    if (!reply.empty() && duplicate) m_udp.Answer(reply, d.from);
}

std::vector<Bytes> FamilyBDevice::ReceivedDatagrams() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

std::vector<Bytes> FamilyBDevice::RequestsLocked() const {
    std::vector<Bytes> out;
    for (const Bytes &r : m_received)
        if (IsMine(r)) out.push_back(r);
    return out;
}

std::vector<Bytes> FamilyBDevice::Requests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return RequestsLocked();
}

std::vector<uint8_t> FamilyBDevice::ReadBlocks() const {
    std::vector<uint8_t> out;
    for (const Bytes &r : Requests())
        if (IsRead(r) && r[kBlockAt] != kRestartBlock) out.push_back(r[kBlockAt]);
    return out;
}

std::vector<Bytes> FamilyBDevice::Writes() const {
    std::vector<Bytes> out;
    for (const Bytes &r : Requests())
        if (IsWrite(r)) out.push_back(r);
    return out;
}

int FamilyBDevice::Restarts() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_restarts;
}

bool FamilyBDevice::WaitForRequests(size_t count, int timeoutMs) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return RequestsLocked().size() >= count; });
}

void FamilyBDevice::ClearReceived() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received.clear();
    m_restarts = 0;
}

}  // namespace vdsim
