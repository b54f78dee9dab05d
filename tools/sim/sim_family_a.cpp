#include "sim_family_a.h"

#include <arpa/inet.h>

#include <chrono>
#include <thread>

namespace vdsim {

namespace {

constexpr uint8_t kItemStart = 0xA1;
constexpr uint8_t kItemEnd = 0xFF;
constexpr uint8_t kCodeType = 0x01, kCodeName = 0x02, kCodeMac = 0x04, kCodeIp = 0x05;
constexpr uint8_t kCodeInfo = 0x14, kCodeSearch = 0x15;
// Command items, which change no setting.
constexpr uint8_t kCodeReset = 0x1B, kCodeReset10T = 0x25;
constexpr uint8_t kCodeVersion = 0x20;
const Bytes kDownloadAck = {'o', 'k'};

Bytes AddressBytes(const std::string &ip) {
    Bytes b(4, 0);
    inet_pton(AF_INET, ip.c_str(), b.data());
    return b;
}

// The items of a received datagram up to the first byte that does not start
// a whole item (padding included).
std::vector<FamilyAItem> ParseItems(const Bytes &bytes) {
    std::vector<FamilyAItem> items;
    size_t pos = 0;
    while (pos + 4 <= bytes.size() && bytes[pos] == kItemStart) {
        const size_t n = bytes[pos + 2];
        if (pos + n + 4 > bytes.size() || bytes[pos + 3 + n] != kItemEnd) break;
        items.push_back({bytes[pos + 1], Bytes(bytes.begin() + long(pos + 3), bytes.begin() + long(pos + 3 + n))});
        pos += n + 4;
    }
    return items;
}

}  // namespace

Bytes EncodeFamilyAItems(const std::vector<FamilyAItem> &items) {
    Bytes out;
    for (const FamilyAItem &item : items) {
        out.push_back(kItemStart);
        out.push_back(item.code);
        out.push_back(uint8_t(item.data.size()));
        out.insert(out.end(), item.data.begin(), item.data.end());
        out.push_back(kItemEnd);
    }
    return out;
}

FamilyADevice::FamilyADevice(std::string ip, uint8_t type, const Mac &mac, uint16_t port)
    : m_ip(std::move(ip)), m_port(port), m_mac(mac) {
    m_items.push_back({kCodeType, {type}});
    m_items.push_back({kCodeIp, AddressBytes(m_ip)});
    m_items.push_back({kCodeMac, Bytes(mac.begin(), mac.end())});
}

FamilyADevice::~FamilyADevice() { Stop(); }

void FamilyADevice::SetItemLocked(uint8_t code, const Bytes &data) {
    for (FamilyAItem &item : m_items)
        if (item.code == code) {
            item.data = data;
            return;
        }
    m_items.push_back({code, data});
}

void FamilyADevice::SetItem(uint8_t code, const Bytes &data) {
    std::lock_guard<std::mutex> lock(m_mutex);
    SetItemLocked(code, data);
}

void FamilyADevice::SetText(uint8_t code, const std::string &text) { SetItem(code, Bytes(text.begin(), text.end())); }

Bytes FamilyADevice::Item(uint8_t code) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const FamilyAItem &item : m_items)
        if (item.code == code) return item.data;
    return {};
}

void FamilyADevice::SetSearchReply(SearchReply form) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_searchReply = form;
}

void FamilyADevice::SetFixedReplyFields(uint8_t code2, uint8_t version, uint16_t port) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_code2 = code2;
    m_version = version;
    m_fixedPort = port;
}

void FamilyADevice::SetSilent(bool silent) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_silent = silent;
}

void FamilyADevice::SetInfoAnswerLimit(int count) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_infoAnswerLimit = count;
}

void FamilyADevice::SetInfoReply(const Bytes &raw) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_hasRawInfo = true;
    m_rawInfo = raw;
}

void FamilyADevice::SetSearchReplyBytes(const Bytes &raw) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_hasRawSearch = true;
    m_rawSearch = raw;
}

void FamilyADevice::SetReplyDelay(int ms) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_delayMs = ms;
}

void FamilyADevice::DropInfoAnswers(int count) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_dropInfo = count;
}

void FamilyADevice::IgnoreWrites(int count) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_ignoreWrites = count;
}

void FamilyADevice::SetDuplicateReplies(bool duplicate) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_duplicate = duplicate;
}

void FamilyADevice::SetFirmware(std::chrono::milliseconds restartTime, FirmwareFault fault) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_firmware.SetRestartTime(restartTime);
    m_firmware.SetFault(fault);
}

std::vector<std::string> FamilyADevice::TakeFirmwareEvents() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_firmware.TakeEvents();
}

bool FamilyADevice::TakeFirmware(const Bytes &datagram, Bytes &reply) {
    if (DeviceFirmware::IsDownloadPacket(datagram)) {
        if (m_firmware.Take(datagram)) reply = kDownloadAck;
        return true;
    }
    const uint8_t code = datagram.size() >= 2 && datagram[0] == kItemStart ? datagram[1] : 0;
    if (code != kCodeReset && code != kCodeReset10T) return false;
    m_firmware.Restart(DeviceFirmware::Clock::now());
    return true;
}

bool FamilyADevice::IsUp() {
    int version = m_version;
    if (m_firmware.IsAway(DeviceFirmware::Clock::now(), version)) return false;
    if (version == m_version) return true;
    m_version = uint8_t(version);
    // The CAN group has no VERSION setting: its search reply alone tells.
    for (FamilyAItem &item : m_items)
        if (item.code == kCodeVersion && item.data.size() == 1) item.data[0] = m_version;
    return true;
}

bool FamilyADevice::Start() {
    return m_udp.Start(m_ip, m_port, [this](const Datagram &d, bool broadcast) { Handle(d, broadcast); });
}

void FamilyADevice::Stop() { m_udp.Stop(); }

void FamilyADevice::Handle(const Datagram &d, bool broadcast) {
    const uint8_t code = d.bytes.size() >= 2 && d.bytes[0] == kItemStart ? d.bytes[1] : 0;
    Bytes reply;
    int delayMs;
    bool duplicate;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // Restarting, it hears nothing.
        if (!IsUp()) return;
        m_received.push_back({d.bytes, AddressText(d.from), broadcast});
        if (code == kCodeSearch) {
            reply = SearchReplyBytes();
        } else if (code == kCodeInfo) {
            reply = m_hasRawInfo ? m_rawInfo : EncodeFamilyAItems(m_items);
            if (m_infoAnswerLimit >= 0 && m_infoAnswered++ >= m_infoAnswerLimit) reply.clear();
            if (m_dropInfo > 0 && m_dropInfo--) reply.clear();
        } else if (!broadcast && !TakeFirmware(d.bytes, reply) && !(m_ignoreWrites > 0 && m_ignoreWrites--)) {
            Apply(d.bytes);
        }
        if (m_silent) reply.clear();
        delayMs = m_delayMs;
        duplicate = m_duplicate;
    }
    m_arrived.notify_all();
    if (delayMs > 0 && !reply.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    if (!reply.empty()) m_udp.Answer(reply, d.from);
    if (!reply.empty() && duplicate) m_udp.Answer(reply, d.from);
}

Bytes FamilyADevice::SearchReplyBytes() const {
    if (m_hasRawSearch) return m_rawSearch;
    if (m_searchReply == SearchReply::Items) {
        std::vector<FamilyAItem> items;
        for (const FamilyAItem &item : m_items)
            if (item.code == kCodeType || item.code == kCodeName || item.code == kCodeIp || item.code == kCodeMac)
                items.push_back(item);
        return EncodeFamilyAItems(items);
    }
    Bytes r = {0x00, 0x02, 0x00, 0x02};
    r.insert(r.end(), m_mac.begin(), m_mac.end());
    r.insert(r.end(), 4, 0x00);
    uint8_t type = 0;
    for (const FamilyAItem &item : m_items)
        if (item.code == kCodeType && !item.data.empty()) type = item.data[0];
    r.push_back(type);
    r.push_back(m_code2);
    r.push_back(m_version);
    const Bytes ip = AddressBytes(m_ip);
    r.insert(r.end(), ip.begin(), ip.end());
    r.push_back(uint8_t(m_fixedPort >> 8));
    r.push_back(uint8_t(m_fixedPort));
    r.insert(r.end(), 2, 0x00);
    return r;
}

void FamilyADevice::Apply(const Bytes &write) {
    for (const FamilyAItem &item : ParseItems(write))
        if (item.code != kCodeReset && item.code != kCodeReset10T) SetItemLocked(item.code, item.data);
}

std::vector<FamilyADevice::Received> FamilyADevice::ReceivedDatagrams() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

std::vector<Bytes> FamilyADevice::Writes() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<Bytes> out;
    for (const Received &r : m_received) {
        const bool request = r.bytes.size() >= 2 && r.bytes[0] == kItemStart &&
                             (r.bytes[1] == kCodeSearch || r.bytes[1] == kCodeInfo);
        if (!request && !r.broadcast) out.push_back(r.bytes);
    }
    return out;
}

bool FamilyADevice::WaitForDatagrams(size_t count, int timeoutMs) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_received.size() >= count; });
}

void FamilyADevice::ClearReceived() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received.clear();
}

}  // namespace vdsim
