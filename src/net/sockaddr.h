// An Endpoint as the sockets' own address record, sockaddr_in, which POSIX
// and Windows Sockets lay out and name alike. Included after the platform's
// socket headers (netinet/in.h, or winsock2.h), which declare it.
#ifndef VANDREL_NET_SOCKADDR_H
#define VANDREL_NET_SOCKADDR_H

#include "net/platform.h"

namespace vd::net {

inline sockaddr_in Raw(const Endpoint &e) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = e.address;
    a.sin_port = htons(e.port);
    return a;
}

inline const sockaddr *Generic(const sockaddr_in &a) { return reinterpret_cast<const sockaddr *>(&a); }

inline Endpoint EndpointOf(const sockaddr_in &a) { return {a.sin_addr.s_addr, ntohs(a.sin_port)}; }

}  // namespace vd::net

#endif
