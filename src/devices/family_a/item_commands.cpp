// CItemDevType::SendCmd: family A commands, sent on m_requestSocket to the
// caller's port. No answer is read for a datagram command.
#include "devices/family_a/datagram_command.h"
#include "devices/family_a/item_dev_type.h"

namespace vd {

int CItemDevType::SendCmd(int type, const char *cmd, char *param, size_t /*paramCap*/) {
    if (!IsTypeSupported(type) || m_transport == 0) return 0;
    if (!m_requestSocket.Open(m_transport, m_targetIp.c_str(), m_port)) return 0;
    const Packet packet = BuildDatagramCommand(type, cmd, param);
    if (packet.empty()) return 0;
    return SendRequest(packet);
}

}  // namespace vd
