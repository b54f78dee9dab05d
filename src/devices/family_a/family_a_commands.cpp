// FamilyAHandler::SendCmd: family A commands on m_requestSocket, to the
// caller's port. A datagram command is one padded item and reads no answer;
// over TCP a command is a device command packet whose reply is waited for,
// and the connection stays open for the next command except after a reset.
// "DOWNLOAD" and "ERASE" run the firmware download on either transport.
#include <cstring>

#include "command_packets/command_packet.h"
#include "devices/family_a/datagram_command.h"
#include "devices/family_a/family_a_handler.h"
#include "devices/family_a/firmware/firmware_download.h"

namespace vd {

namespace {

constexpr int kReplyRoom = 256;
constexpr int kReplyWaitMs = 2000;

bool Is(const char *cmd, const char *name) { return std::strcmp(cmd, name) == 0; }

}  // namespace

bool FamilyAHandler::OpenRequest(uint32_t port) {
    if (m_request.transport != 0 && !m_requestSocket.IsDatagram() && m_requestSocket.GetHandle() != net::kInvalidSocket)
        m_requestSocket.Disconnect();
    return m_requestSocket.Open(m_request.SocketType(), m_request.targetIp.c_str(), port);
}

bool FamilyAHandler::SendCmd(const RequestRecord &request, int type, const char *cmd, char *param,
                             size_t paramCap) {
    m_request = request;
    cmd = OrEmpty(cmd);
    if (!IsTypeSupported(type)) return false;
    if (!OpenRequest(m_request.port)) return false;
    if (IsFirmwareCommand(cmd)) {
        const bool done = FirmwareDownload(m_requestSocket, m_request.transport != 0).Run(cmd, param);
        // A stream left mid-transfer could hand its late answers to the next command.
        if (!done && m_request.transport == 0) m_requestSocket.Disconnect();
        return done;
    }
    if (m_request.transport == 0) return SendStreamCommand(cmd, param, paramCap);
    const Packet packet = BuildDatagramCommand(type, cmd, param);
    if (packet.empty()) return false;
    return SendRequest(packet);
}

bool FamilyAHandler::SendStreamCommand(const char *cmd, char *param, size_t paramCap) {
    uint8_t packet[kMaxPacket];
    size_t length = 0;
    BuildCommandPacket(packet, length, cmd, param);
    if (length == 0) return false;
    if (m_requestSocket.SendData(packet, int(length)) < 1) return false;
    uint8_t reply[kReplyRoom];
    const int got = m_requestSocket.ReceiveTimed(reply, kReplyRoom, nullptr, kReplyWaitMs);
    uint8_t payload[kReplyRoom];
    size_t payloadLength = 0;
    if (got <= 0 || !FindReplyPacket(packet[1], reply, size_t(got), payload, sizeof payload, payloadLength)) {
        m_requestSocket.Disconnect();
        return false;
    }
    FormatReplyData(payload, payloadLength, cmd, param, param ? paramCap : 0);
    if (Is(cmd, "RESETDEV")) m_requestSocket.Disconnect();
    return true;
}

}  // namespace vd
