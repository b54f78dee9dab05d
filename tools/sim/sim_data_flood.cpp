#include "sim_data_flood.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace vdsim {

namespace {

// Big enough that each send fills what the socket has room for.
constexpr size_t kBufferSize = 256 * 1024;

}  // namespace

DataFlood::DataFlood(std::string address, uint16_t port, const std::string &pattern)
    : m_address(std::move(address)), m_port(port) {
    m_period = pattern.empty() ? 256 : pattern.size();
    m_buffer.resize(kBufferSize + m_period);
    for (size_t i = 0; i < m_buffer.size(); ++i)
        m_buffer[i] = pattern.empty() ? uint8_t(i) : uint8_t(pattern[i % m_period]);
}

bool DataFlood::Start() {
    return m_service.Start(m_address, m_port,
                           [this](int listener, const std::atomic<bool> &stopping) { Serve(listener, stopping); });
}

void DataFlood::Stop() { m_service.Stop(); }

std::vector<std::string> DataFlood::TakeEnded() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> ended;
    ended.swap(m_ended);
    return ended;
}

void DataFlood::End(int &client, const std::string &peer, uint64_t sent) {
    close(client);
    client = -1;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_ended.push_back("sent " + std::to_string(sent) + " bytes to " + peer);
}

void DataFlood::Serve(int listener, const std::atomic<bool> &stopping) {
    int client = -1;
    std::string peer;
    uint64_t sent = 0;
    while (!stopping) {
        pollfd fds[2] = {{listener, POLLIN, 0}, {client, POLLIN | POLLOUT, 0}};
        if (poll(fds, client < 0 ? 1 : 2, 20) <= 0) continue;
        if (fds[0].revents & POLLIN) {
            sockaddr_in from{};
            socklen_t len = sizeof from;
            const int next = accept4(listener, reinterpret_cast<sockaddr *>(&from), &len, SOCK_CLOEXEC);
            if (next < 0) continue;
            if (client >= 0) End(client, peer, sent);
            client = next;
            peer = AddressText(from);
            sent = 0;
            continue;
        }
        if (fds[1].revents & POLLIN) {
            uint8_t scratch[4096];
            if (recv(client, scratch, sizeof scratch, MSG_DONTWAIT) == 0) End(client, peer, sent);
        }
        if (client < 0 || !(fds[1].revents & (POLLOUT | POLLERR | POLLHUP))) continue;
        // Each send goes on where the last one stopped in the pattern.
        const ssize_t n = send(client, m_buffer.data() + sent % m_period, kBufferSize, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n > 0) sent += uint64_t(n);
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) End(client, peer, sent);
    }
    if (client >= 0) End(client, peer, sent);
}

}  // namespace vdsim
