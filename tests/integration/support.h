// What a host does with the exports, in a few calls, with every out buffer at
// exactly its documented size before an inaccessible page; the datagrams a
// family B device expects; and a TCP peer a test drives by hand.
#ifndef VANDREL_TESTS_INTEGRATION_SUPPORT_H
#define VANDREL_TESTS_INTEGRATION_SUPPORT_H

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "sim_family_b.h"
#include "sim_net.h"
#include "support/guarded_buffer.h"
#include "vandrel.h"

namespace vdtest {

using vdsim::Bytes;
using Clock = std::chrono::steady_clock;
using Pairs = std::vector<std::pair<std::string, std::string>>;

inline double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// How long call took, in seconds.
template <typename Call>
double Took(Call call) {
    const auto start = Clock::now();
    call();
    return Seconds(start);
}

inline void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

inline Bytes Cat(Bytes a, const Bytes &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Fills a host buffer with junk (terminator room included), so that only a
// text the library wrote reads as terminated.
inline char *Junk(GuardedBuffer &b) {
    std::memset(b.data(), '#', b.size());
    return b.data();
}

// The text in the buffer; a buffer without a terminator fails the test.
inline std::string Written(GuardedBuffer &b) {
    const void *end = std::memchr(b.data(), 0, b.size());
    EXPECT_NE(end, nullptr) << "no terminator within " << b.size() << " bytes";
    return std::string(b.data(), end ? size_t(static_cast<const char *>(end) - b.data()) : b.size());
}

struct Found {
    std::string ip, version, mac;
    int code1, code2;
    uint32_t port;
    bool operator==(const Found &o) const {
        return std::tie(ip, version, mac, code1, code2, port) ==
               std::tie(o.ip, o.version, o.mac, o.code1, o.code2, o.port);
    }
};

inline bool TakeOne(Found &f) {
    GuardedBuffer ip(VD_IP_LEN), version(VD_VERSION_LEN), mac(VD_MAC_LEN);
    uint8_t c1 = 0, c2 = 0;
    uint32_t port = 0;
    if (VD_GetSearchDev(Junk(ip), Junk(version), Junk(mac), &c1, &c2, &port) != VD_OK) return false;
    f = {Written(ip), Written(version), Written(mac), c1, c2, port};
    return true;
}

// Takes search results until count are found or about a second has passed,
// then whatever else is already there; in arrival order unless sorted.
inline std::vector<Found> TakeFound(size_t count, bool sorted = false) {
    std::vector<Found> all;
    Found f;
    for (int i = 0; i < 100 && all.size() < count; ++i) {
        while (TakeOne(f)) all.push_back(f);
        if (all.size() < count) SleepMs(10);
    }
    while (TakeOne(f)) all.push_back(f);
    if (sorted) std::sort(all.begin(), all.end(), [](const Found &a, const Found &b) { return a.ip < b.ip; });
    return all;
}

// Steps through every visible pair of the last read with an empty key.
inline Pairs TakeAllPairs() {
    Pairs out;
    for (;;) {
        GuardedBuffer key(VD_KEY_LEN), value(VD_VALUE_LEN);
        key.Set("");
        if (VD_GetDevConfigUDP(key.data(), Junk(value)) != VD_OK) return out;
        out.emplace_back(Written(key), Written(value));
    }
}

// Stages each pair in turn, as a host calls VD_SetModifyConfigUDP.
inline void Stage(const Pairs &pairs) {
    for (const auto &[key, value] : pairs) VD_SetModifyConfigUDP(key.c_str(), value.c_str());
}

// The pairs of a read that must succeed: by MAC if the address holds a colon,
// else by IP.
inline Pairs Read(const std::string &at, int type) {
    const char *a = at.c_str();
    EXPECT_EQ(at.find(':') == at.npos ? VD_GetDevInfoUDPbyIP(a, type) : VD_GetDevInfoUDPbyMAC(a, type), VD_OK) << at;
    return TakeAllPairs();
}

// Asks for one key, held in a buffer just big enough for it.
inline std::string Ask(const std::string &name, int expected = VD_OK) {
    GuardedBuffer key(name.size() + 1), value(VD_VALUE_LEN);
    key.Set(name.c_str());
    EXPECT_EQ(VD_GetDevConfigUDP(key.data(), Junk(value)), expected) << name;
    EXPECT_EQ(Written(key), name);
    return Written(value);
}

// The AT session's read of key into a buffer of exactly VD_VALUE_LEN bytes
// that held "untouched"; what the buffer holds afterwards.
inline std::string SessionRead(const char *key, int expected = VD_OK) {
    GuardedBuffer value(VD_VALUE_LEN);
    value.Set("untouched");
    EXPECT_EQ(VD_GetDevConfigTCP(key, value.data()), expected) << key;
    return Written(value);
}

// The AT session's write of text from a buffer of the size a host gives (16
// bytes, or the text's length + 1 if that is more); what it holds afterwards.
inline std::string SessionModify(const char *key, const std::string &text, int expected = VD_OK) {
    GuardedBuffer value(std::max<size_t>(16, text.size() + 1));
    value.Set(text.c_str());
    EXPECT_EQ(VD_ModifyDevConfigTCP(key, value.data()), expected) << key;
    return Written(value);
}

const vdsim::Mac kMacB = {0x02, 0x00, 0x00, 0xAB, 0xCD, 0xEF};
const char *const kMacBText = "02:00:00:AB:CD:EF";

// The family B requests to kMacB: a start marker and the MAC, then the command.
inline Bytes ToMacB(const Bytes &command) {
    return Cat({0x00, 0x02, 0x00, 0x02, 0x02, 0x00, 0x00, 0xAB, 0xCD, 0xEF}, command);
}
inline Bytes ReadRequest(uint8_t block) { return ToMacB({0xA1, 0x14, 0x00, 0x02, block, 0x00, 0xFF}); }
inline Bytes RestartRequest() { return ReadRequest(0x81); }
inline Bytes WriteRequest(uint8_t block, const Bytes &data) {
    return ToMacB(Cat(Cat({0xA1, 0xFE, 0x01, 0x03, block, 0x00}, data), {0x00, 0xFF}));
}

// A TCP listener whose accepted connection the test drives by hand.
class TcpPeer {
public:
    explicit TcpPeer(uint16_t port, const std::string &address = "127.0.0.1")
        : m_listener(vdsim::OpenTcpListener(address, port)) {}
    ~TcpPeer() {
        CloseConnection();
        if (m_listener >= 0) close(m_listener);
    }
    bool Listening() const { return m_listener >= 0; }
    // Takes the next pending connection, waiting up to timeoutMs.
    bool Accept(int timeoutMs = 1000) {
        CloseConnection();
        if (!vdsim::WaitReadable(m_listener, timeoutMs)) return false;
        m_connection = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        return m_connection >= 0;
    }
    bool Send(const std::string &text) {
        return vdsim::SendAll(m_connection, reinterpret_cast<const uint8_t *>(text.data()), text.size());
    }
    // What arrives within timeoutMs (one read); "" also once the other side closed.
    std::string Receive(int timeoutMs = 1000) {
        char buffer[4096];
        const ssize_t n =
            vdsim::WaitReadable(m_connection, timeoutMs) ? recv(m_connection, buffer, sizeof buffer, 0) : 0;
        return n > 0 ? std::string(buffer, size_t(n)) : "";
    }
    void CloseConnection() {
        if (m_connection >= 0) close(m_connection);
        m_connection = -1;
    }

private:
    int m_listener = -1, m_connection = -1;
};

}  // namespace vdtest

#endif
