#include "fleet/command_exchange.h"

#include "devices/family_a/datagram_command.h"
#include "devices/family_a/family_a_handler.h"
#include "devices/family_b/block_protocol.h"
#include "vandrel.h"

namespace vd {

void CommandExchange::Start(TimePoint) { Finish(Send() ? VD_OK : VD_FAIL); }

bool CommandExchange::Send() {
    if (IsFamilyB(m_job.type)) {
        if (m_job.command != "RESETDEV") return false;
        const BlockDatagram restart = RestartRequest(m_job.address);
        return m_link.Broadcast(uint16_t(kBlockPort), restart.data(), restart.size());
    }
    const Packet packet = BuildDatagramCommand(m_job.type, m_job.command.c_str(), m_job.param.c_str());
    return !packet.empty() && m_link.SendTo(m_job.address, uint16_t(kItemPort), packet.data(), packet.size());
}

}  // namespace vd
