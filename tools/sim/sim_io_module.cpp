#include "sim_io_module.h"

#include <unistd.h>

#include <chrono>
#include <thread>

#include "sim_stream_server.h"

namespace vdsim {

namespace {

constexpr uint8_t kStart = 0xAA;
constexpr uint8_t kEnd = 0x0D;

enum : uint8_t { kGetIoStat = 1, kSetIoDir = 2, kSetIoLevel = 3, kResetDev = 4, kGetAdc = 5 };

}  // namespace

IoModule::Bytes IoModule::Packet(uint8_t code, const Bytes &payload, bool badCheck) {
    Bytes out = {kStart, code, uint8_t(payload.size())};
    out.insert(out.end(), payload.begin(), payload.end());
    uint8_t check = 0;
    for (uint8_t b : out) check ^= b;
    out.push_back(badCheck ? uint8_t(check ^ 0xFF) : check);
    out.push_back(kEnd);
    return out;
}

bool IoModule::Start() {
    return m_service.Start(m_settings.address, m_settings.port,
                           [this](int listener, const std::atomic<bool> &stopping) { Serve(listener, stopping); });
}

void IoModule::Stop() { m_service.Stop(); }

void IoModule::Serve(int listener, const std::atomic<bool> &stopping) {
    StreamHandlers handlers;
    handlers.onAccept = [this] {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pending.clear();
    };
    handlers.onBytes = [this](int client, const uint8_t *data, size_t len) {
        Bytes reply;
        size_t count = 0;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_received.insert(m_received.end(), data, data + len);
            m_pending.insert(m_pending.end(), data, data + len);
            reply = Answer(count);
        }
        if (reply.empty()) return false;
        SendAll(client, reply.data(), reply.size());
        std::lock_guard<std::mutex> lock(m_mutex);
        m_replies += count;
        return false;
    };
    ServeOneClientAtATime(listener, stopping, handlers);
}

IoModule::Bytes IoModule::Answer(size_t &count) {
    Bytes out;
    for (;;) {
        size_t start = 0;
        while (start < m_pending.size() && m_pending[start] != kStart) ++start;
        m_pending.erase(m_pending.begin(), m_pending.begin() + long(start));
        if (m_pending.size() < 3 || m_pending.size() < size_t(m_pending[2]) + 5) return out;
        const size_t n = m_pending[2];
        uint8_t check = 0;
        for (size_t i = 0; i < n + 3; ++i) check ^= m_pending[i];
        if (check != m_pending[n + 3]) {
            m_pending.erase(m_pending.begin());
            continue;
        }
        const uint8_t code = m_pending[1];
        const uint8_t param = n > 0 ? m_pending[3] : 0;
        m_pending.erase(m_pending.begin(), m_pending.begin() + long(n + 5));

        Bytes payload;
        switch (code) {
        case kGetIoStat: payload = {m_settings.io[0], m_settings.io[1]}; break;
        case kSetIoDir: payload = {m_direction = param}; break;
        case kSetIoLevel: payload = {param}; break;
        case kResetDev: break;
        case kGetAdc:
            payload = {uint8_t(m_settings.adc[0] >> 8), uint8_t(m_settings.adc[0]),
                       uint8_t(m_settings.adc[1] >> 8), uint8_t(m_settings.adc[1])};
            break;
        default: continue;  // not a command of this module: no answer
        }
        const Bytes reply = Packet(code, payload);
        out.insert(out.end(), reply.begin(), reply.end());
        ++count;
    }
}

void IoModule::SetReadings(uint16_t adc0, uint16_t adc1, uint8_t io0, uint8_t io1) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_settings.adc[0] = adc0;
    m_settings.adc[1] = adc1;
    m_settings.io[0] = io0;
    m_settings.io[1] = io1;
}

IoModule::Bytes IoModule::Received() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

size_t IoModule::Replies() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_replies;
}

bool IoModule::WaitForReplies(size_t count, int timeoutMs) const {
    for (int waited = 0;; waited += 10) {
        if (Replies() >= count) return true;
        if (waited >= timeoutMs) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

uint8_t IoModule::Direction() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_direction;
}

}  // namespace vdsim
