// Placeholder until the TCP services land.
#include "tcp/at_session.h"
#include "tcp/io_ops.h"
#include "vandrel.h"

namespace vd {
int CAtSession::IsTypeSupported(int) { return 0; }
int CAtSession::Login(int, const char *, uint32_t, const char *) { return VD_WRONG_FAMILY; }
int CAtSession::GetValue(const char *, char *, size_t) { return VD_NOT_SENT; }
int CAtSession::SetValue(const char *, char *, size_t) { return VD_NOT_SENT; }
int CAtSession::Reset() { return VD_NOT_SENT; }
int CAtSession::Exit() { return VD_NOT_SENT; }
int GetAD(net::CClientSocket &, uint32_t *, uint32_t *) { return VD_NO_CONNECTION; }
int GetIO(net::CClientSocket &, uint8_t *, uint8_t *) { return VD_NO_CONNECTION; }
int SetIODir(net::CClientSocket &, uint8_t) { return VD_NO_CONNECTION; }
int SetIOLevel(net::CClientSocket &, uint8_t) { return VD_NO_CONNECTION; }
}  // namespace vd
