// errno in Winsock's numbering, where the library tells errors apart; other
// values pass through.
#ifndef VANDREL_NET_POSIX_ERRORS_H
#define VANDREL_NET_POSIX_ERRORS_H

#include <cerrno>

#include "net/platform.h"

namespace vd::net {

inline int ErrorCode(int platformError) {
    switch (platformError) {
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EINPROGRESS:
        return kErrWouldBlock;
    case EINVAL:
        return kErrInvalidArgument;
    case EALREADY:
        return kErrAlreadyHasHandle;
    case ENETUNREACH:
        return kErrNetworkUnreachable;
    default:
        return platformError;
    }
}

// Keeps errno as the thread's last error; returns -1.
inline int Fail() {
    SetLastError(ErrorCode(errno));
    return -1;
}

}  // namespace vd::net

#endif
