// A broadcast leaves by one interface when sendmsg carries IP_PKTINFO naming
// the interface and the source address.
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>

#include "net/platform.h"
#include "net/posix/errors.h"
#include "net/sockaddr.h"

namespace vd::net {

int SendBroadcastVia(SocketHandle handle, const void *buffer, int length, uint16_t port, const NetInterface &via) {
    if (length < 0) return SetLastError(kErrInvalidArgument), -1;
    sockaddr_in to = Raw({kBroadcastAddress, port});
    in_pktinfo info{};
    info.ipi_ifindex = int(via.index);
    info.ipi_spec_dst.s_addr = via.address;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof info)] = {};
    iovec data{const_cast<void *>(buffer), size_t(length)};
    msghdr message{};
    message.msg_name = &to;
    message.msg_namelen = sizeof to;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr *header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = IPPROTO_IP;
    header->cmsg_type = IP_PKTINFO;
    header->cmsg_len = CMSG_LEN(sizeof info);
    std::memcpy(CMSG_DATA(header), &info, sizeof info);
    ssize_t n;
    do {
        n = sendmsg(int(handle), &message, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? Fail() : int(n);
}

}  // namespace vd::net
