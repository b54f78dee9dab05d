// The calling thread's last error is Winsock's own.
#include <winsock2.h>

#include "net/platform.h"

namespace vd::net {

int LastError() { return WSAGetLastError(); }
void SetLastError(int error) { WSASetLastError(error); }

}  // namespace vd::net
