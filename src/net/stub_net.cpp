// Placeholder until the socket layer lands: every socket operation fails.
#include "net/client_socket.h"
#include "net/socket_context.h"

namespace vd::net {
int g_unloading = 0;
int LastError() { return 0; }
void SetLastError(int) {}
void PumpSocketNotifications() {}
int32_t PumpMessages(int32_t) { return 0; }
CSocketAnchor::CSocketAnchor() {}
CSocketAnchor::~CSocketAnchor() {}
void Startup() {}
void Cleanup() {}
CAsyncSocketEx::CAsyncSocketEx() {}
CAsyncSocketEx::~CAsyncSocketEx() {}
bool CAsyncSocketEx::Create(uint32_t, int32_t, int32_t, const char *) { return false; }
bool CAsyncSocketEx::Bind(uint32_t, const char *) { return false; }
bool CAsyncSocketEx::AsyncSelect(int32_t) { return false; }
bool CAsyncSocketEx::Accept(CAsyncSocketEx &) { return false; }
void CAsyncSocketEx::Close() {}
bool CAsyncSocketEx::Connect(const char *, uint32_t) { return false; }
bool CAsyncSocketEx::Connect(const sockaddr_in &) { return false; }
int CAsyncSocketEx::Receive(void *, int, int) { return -1; }
int CAsyncSocketEx::ReceiveFrom(void *, int, char *, uint32_t *, int) { return -1; }
int CAsyncSocketEx::Send(const void *, int, int) { return -1; }
int CAsyncSocketEx::SendTo(const void *, int, uint32_t, const char *, int) { return -1; }
int CAsyncSocketEx::SendTo(const void *, int, const sockaddr_in &, int) { return -1; }
bool CAsyncSocketEx::PendingBytes(uint32_t &) { return false; }
bool CAsyncSocketEx::SetBroadcast(bool) { return false; }
void CAsyncSocketEx::OnAccept(int32_t) {}
void CAsyncSocketEx::OnClose(int32_t) {}
void CAsyncSocketEx::OnConnect(int32_t) {}
void CAsyncSocketEx::OnReceive(int32_t) {}
void CAsyncSocketEx::OnSend(int32_t) {}
CClientSocket::~CClientSocket() {}
int CClientSocket::Open(int, const char *, uint32_t) { return 0; }
int CClientSocket::ReceiveTimed(void *, int &length, char *, int) { length = 0; return 0; }
int CClientSocket::SendData(const void *, int) { return -1; }
int CClientSocket::Disconnect() { return 1; }
void CClientSocket::DrainInput(int) {}
int CClientSocket::WaitForOk(int) { return 0; }
void CClientSocket::SetReceiver(VD_HostWindow *, uint32_t) {}
int CClientSocket::WaitConnected() { return 0; }
void CClientSocket::OnClose(int32_t) {}
void CClientSocket::OnConnect(int32_t) {}
void CClientSocket::OnReceive(int32_t) {}
}  // namespace vd::net
