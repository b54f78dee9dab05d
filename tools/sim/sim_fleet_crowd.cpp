// The crowd fleet member: a crowd of family A devices that answers each
// search with one fixed reply per device, as fast as it can send, so that a
// host meets hundreds or thousands of answers at once. Device i (from 0) has
// the entry's address plus i and the MAC 02:56:43 followed by i + 1; nothing
// is bound to those addresses, the answers only name them.
#include <arpa/inet.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>

#include "sim_fleet_members.h"
#include "sim_search_responder.h"

namespace vdsim {

namespace {

constexpr uint8_t kCrowdType = 5;
constexpr uint8_t kCrowdVersion = 5;

class CrowdMember : public FleetMember {
public:
    CrowdMember(const std::string &first, size_t count) : m_first(first) {
        in_addr a{};
        inet_pton(AF_INET, first.c_str(), &a);
        const uint32_t base = ntohl(a.s_addr);
        for (size_t i = 0; i < count; ++i) {
            SearchIdentity id;
            in_addr ip{htonl(base + uint32_t(i))};
            char text[INET_ADDRSTRLEN];
            id.ip = inet_ntop(AF_INET, &ip, text, sizeof text);
            const uint32_t n = uint32_t(i) + 1;
            id.mac = {0x02, 0x56, 0x43, uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)};
            id.type = kCrowdType;
            id.version = kCrowdVersion;
            id.port = 8800;
            m_replies.push_back(SearchResponder::Reply(id));
            if (i + 1 == count) m_last = id.ip;
        }
    }
    ~CrowdMember() override { Stop(); }

    bool Start() override {
        Stop();
        m_listen = OpenUdp("255.255.255.255", 8800);
        m_send = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (m_listen < 0 || m_send < 0) {
            Stop();
            return false;
        }
        m_thread.Start([this](const std::atomic<bool> &stopping) { Serve(stopping); });
        return true;
    }

    void Stop() override {
        m_thread.Stop();
        for (int *fd : {&m_listen, &m_send}) {
            if (*fd >= 0) close(*fd);
            *fd = -1;
        }
    }

    std::vector<FleetRow> Rows() const override {
        return {{"crowd", m_first + "-" + m_last, "udp 8800", "02:56:43:00:00:01+", std::to_string(kCrowdType), "-"}};
    }

    void TakeLog(std::vector<std::string> &lines) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const std::string &l : m_log) lines.push_back(LogLine(m_first, "crowd", l));
        m_log.clear();
    }

private:
    void Serve(const std::atomic<bool> &stopping) {
        while (!stopping) {
            Datagram d;
            if (!ReceiveDatagram(m_listen, d, 20)) continue;
            if (d.bytes.size() < 2 || d.bytes[0] != 0xA1 || d.bytes[1] != 0x15) continue;
            const auto start = std::chrono::steady_clock::now();
            size_t sent = 0;
            for (const auto &reply : m_replies) sent += SendAnyway(reply, d.from, stopping);
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
            std::lock_guard<std::mutex> lock(m_mutex);
            m_log.push_back(std::to_string(sent) + " answers to a search from " + AddressText(d.from) + " in " +
                            std::to_string(ms.count()) + " ms");
        }
    }

    // A full queue on the way out is waited out, so that every device
    // answers; only a real error gives up on one answer.
    bool SendAnyway(const std::vector<uint8_t> &reply, const sockaddr_in &to, const std::atomic<bool> &stopping) {
        for (;;) {
            if (sendto(m_send, reply.data(), reply.size(), 0, reinterpret_cast<const sockaddr *>(&to), sizeof to) >= 0)
                return true;
            if ((errno != ENOBUFS && errno != EAGAIN && errno != EINTR) || stopping) return false;
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
    }

    std::string m_first, m_last;
    std::vector<std::vector<uint8_t>> m_replies;
    int m_listen = -1, m_send = -1;
    std::mutex m_mutex;
    std::vector<std::string> m_log;
    SimThread m_thread;
};

}  // namespace

std::unique_ptr<FleetMember> MakeCrowdMember(const FleetEntry &entry, std::string &error) {
    EntrySettings s(entry);
    long count = 0;
    const bool ok = s.Number("count", 100, 1, kMaxCrowd, count);
    if (!s.Check(error) || !ok) return nullptr;
    return std::make_unique<CrowdMember>(entry.address, size_t(count));
}

}  // namespace vdsim
