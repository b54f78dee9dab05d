#include "devices/family_b/multi_port_dev_type.h"

#include <algorithm>
#include <cstring>

#include "base/sleep.h"
#include "devices/family_b/value_codec.h"

namespace vd {

namespace {

constexpr int kReplyInfo = 1;
// Pacing of the device's datagrams.
constexpr int kAfterReadMs = 100;
constexpr int kAfterWriteMs = 180;
constexpr int kBeforeRestartMs = 120;

}  // namespace

void CMultiPortDevType::SetModel(uint8_t type, std::initializer_list<uint8_t> blocks) {
    m_devType = type;
    m_blockCount = uint8_t(std::min(blocks.size(), kBlockSlots));
    std::copy_n(blocks.begin(), m_blockCount, m_blockList);
}

void CMultiPortDevType::OpenRequest() { m_requestSocket.Open(m_transport, "", kBlockPort); }

int CMultiPortDevType::Send(const BlockDatagram &datagram) {
    return m_requestSocket.SendData(datagram.data(), int(datagram.size())) >= 1;
}

int CMultiPortDevType::RequestInfo() {
    BuildFieldTable();
    OpenRequest();
    m_info.ClearPairs();
    m_replyMode = kReplyInfo;
    m_replyCount = 0;
    if (m_singleBlock != -1) {
        if (!Send(ReadRequest(m_targetMac, uint8_t(m_singleBlock)))) return 0;
        Sleep(kAfterReadMs);
        return 1;
    }
    for (size_t i = 0; i < m_blockCount && i < kBlockSlots; ++i) {
        if (!Send(ReadRequest(m_targetMac, m_blockList[i]))) return 0;
        Sleep(kAfterReadMs);
    }
    return 1;
}

int CMultiPortDevType::RequestBlock(int block) {
    m_singleBlock = block;
    const int sent = RequestInfo();
    m_singleBlock = -1;
    return sent;
}

int CMultiPortDevType::OnDatagram(const uint8_t *data, int len, const char * /*from*/) {
    if (m_replyMode != kReplyInfo || len <= 0) return 0;
    BlockReply reply;
    if (!ParseBlockReply(data, size_t(len), reply) || reply.mac != m_targetMac) return 0;
    if (reply.block >= kBlockSlots) return 0;
    std::unique_ptr<Block> &slot = m_blocks[reply.block];
    if (!slot) slot = std::make_unique<Block>();
    *slot = reply.data;
    for (const ConfigField &row : m_fields)
        if (row.block == reply.block) m_info.Append(row.name, DecodeValue(row, *slot));
    ++m_replyCount;
    return 1;
}

void CMultiPortDevType::EncodeValue(const ConfigField &row, const CString &value) {
    if (WriteHook(row, value)) return;
    vd::EncodeValue(row, value, *m_blocks[row.block]);
}

int CMultiPortDevType::WriteConfig() {
    BuildFieldTable();
    if (m_staged.keys.empty()) return 0;
    bool changed[kBlockSlots] = {};
    for (size_t i = 0; i < m_staged.keys.size(); ++i) {
        const ConfigField *row = FindField(m_staged.keys[i]);
        // A block never received has no copy to change.
        if (!row || row->block >= kBlockSlots || !m_blocks[row->block]) continue;
        changed[row->block] = true;
        EncodeValue(*row, m_staged.values[i]);
    }
    bool sent = false;
    for (size_t b = 0; b < kBlockSlots; ++b) {
        if (!changed[b]) continue;
        if (!Send(WriteRequest(m_targetMac, uint8_t(b), *m_blocks[b]))) return 0;
        sent = true;
        Sleep(kAfterWriteMs);
    }
    if (sent) {
        Sleep(kBeforeRestartMs);
        SendRestart();
    }
    return 1;
}

void CMultiPortDevType::SendRestart() {
    OpenRequest();
    Send(RestartRequest(m_targetMac));
}

int CMultiPortDevType::SendCmd(int /*type*/, const char *cmd, char * /*param*/, size_t /*paramCap*/) {
    if (std::strcmp(OrEmpty(cmd), "RESETDEV") != 0) return 0;
    SendRestart();
    return 1;
}

}  // namespace vd
