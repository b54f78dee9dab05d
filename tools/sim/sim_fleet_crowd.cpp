// The crowd fleet member: a crowd of family A devices that answers each
// search with one fixed reply per device, as fast as it can send, so that a
// host meets hundreds or thousands of answers at once. Device i (from 0) has
// the entry's address plus i and the MAC 02:56:43 followed by i + 1; nothing
// is bound to those addresses, the answers only name them. A fresh crowd
// is a hostile device instead: it answers each search with count answers
// never given before (random MACs, type codes, versions and ports, addresses
// in the entry address's /16), so that a host which keeps every device it
// has seen grows without end. It makes them per search and keeps none.
#include <arpa/inet.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <iterator>
#include <mutex>
#include <random>
#include <thread>

#include "sim_fleet_members.h"
#include "sim_search_responder.h"

namespace vdsim {

namespace {

constexpr uint8_t kCrowdType = 5;
constexpr uint8_t kCrowdVersion = 5;

const uint8_t kAnyType[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 17, 18, 19, 33, 32, 48, 56, 64};

std::string DottedText(uint32_t hostOrder) {
    in_addr ip{htonl(hostOrder)};
    char text[INET_ADDRSTRLEN];
    return inet_ntop(AF_INET, &ip, text, sizeof text);
}

class CrowdMember : public FleetMember {
public:
    CrowdMember(const std::string &first, size_t count, bool fresh, uint32_t seed)
        : m_first(first), m_count(count), m_fresh(fresh), m_random(seed) {
        in_addr a{};
        inet_pton(AF_INET, first.c_str(), &a);
        m_base = ntohl(a.s_addr);
        for (size_t i = 0; i < count && !fresh; ++i) {
            SearchIdentity id;
            id.ip = DottedText(m_base + uint32_t(i));
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
        if (m_fresh) return {{"crowd", DottedText(m_base & 0xFFFF0000u) + "/16", "udp 8800", "random", "any", "-"}};
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
            std::vector<std::vector<uint8_t>> fresh;
            if (m_fresh) fresh = FreshReplies();
            size_t sent = 0;
            for (const auto &reply : m_fresh ? fresh : m_replies) sent += SendAnyway(reply, d.from, stopping);
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
            std::lock_guard<std::mutex> lock(m_mutex);
            m_log.push_back(std::to_string(sent) + (m_fresh ? " fresh" : "") + " answers to a search from " +
                            AddressText(d.from) + " in " + std::to_string(ms.count()) + " ms");
        }
    }

    std::vector<std::vector<uint8_t>> FreshReplies() {
        std::vector<std::vector<uint8_t>> replies;
        for (size_t i = 0; i < m_count; ++i) {
            SearchIdentity id;
            id.ip = DottedText((m_base & 0xFFFF0000u) | (m_random() & 0xFFFFu));
            const uint32_t a = m_random(), b = m_random();
            id.mac = {0x02, uint8_t(a >> 24), uint8_t(a >> 16), uint8_t(a >> 8), uint8_t(a), uint8_t(b)};
            id.type = kAnyType[(b >> 8) % std::size(kAnyType)];
            id.version = uint8_t(b >> 16);
            id.port = uint16_t(m_random());
            replies.push_back(SearchResponder::Reply(id));
        }
        return replies;
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
    const size_t m_count;
    const bool m_fresh;
    uint32_t m_base = 0;
    std::mt19937 m_random;  // used by the serving thread only
    std::vector<std::vector<uint8_t>> m_replies;
    int m_listen = -1, m_send = -1;
    std::mutex m_mutex;
    std::vector<std::string> m_log;
    SimThread m_thread;
};

}  // namespace

std::unique_ptr<FleetMember> MakeCrowdMember(const FleetEntry &entry, std::string &error) {
    EntrySettings s(entry);
    long count = 0, seed = 0;
    const bool ok = s.Number("count", 100, 1, kMaxCrowd, count) && s.Number("seed", 1, 0, 0xFFFFFFFFL, seed);
    const bool fresh = s.Flag("fresh");
    if (!s.Check(error) || !ok) return nullptr;
    return std::make_unique<CrowdMember>(entry.address, size_t(count), fresh, uint32_t(seed));
}

}  // namespace vdsim
