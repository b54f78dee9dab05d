#include "sim_stream_server.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include "sim_net.h"

namespace vdsim {

void ServeOneClientAtATime(int listener, const std::atomic<bool> &stopping,
                           const StreamHandlers &handlers) {
    int client = -1;
    while (!stopping) {
        if (WaitReadable(listener, client < 0 ? 20 : 0)) {
            const int next = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (next >= 0) {
                if (client >= 0) close(client);
                client = next;
                int on = 1;
                setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
                if (handlers.onAccept) handlers.onAccept();
            }
        }
        if (client < 0 || !WaitReadable(client, 20)) continue;
        uint8_t data[4096];
        const ssize_t n = recv(client, data, sizeof data, 0);
        if (n <= 0 || handlers.onBytes(client, data, size_t(n))) {
            close(client);
            client = -1;
        }
    }
    if (client >= 0) close(client);
}

}  // namespace vdsim
