#include "devices/family_b/multi_port_dev_type.h"

#include <cstring>

#include "base/sleep.h"
#include "codec/codec.h"

namespace vd {

namespace {

constexpr int kReplyInfo = 1;
// Pacing of the device's datagrams.
constexpr int kAfterReadMs = 100;
constexpr int kAfterWriteMs = 180;
constexpr int kBeforeRestartMs = 120;

}  // namespace

CMultiPortDevType::CMultiPortDevType(const FamilyBModel &model) : m_model(model) {
    BuildFieldTable(m_fields, model.Ports());
}

void CMultiPortDevType::OpenRequest() { m_requestSocket.Open(m_request.transport, "", kBlockPort); }

int CMultiPortDevType::Send(const BlockDatagram &datagram) {
    return m_requestSocket.SendData(datagram.data(), int(datagram.size())) >= 1;
}

int CMultiPortDevType::SendReads(const uint8_t *blocks, size_t count) {
    OpenRequest();
    m_info.ClearPairs();
    m_replyMode = kReplyInfo;
    m_replyCount = 0;
    for (size_t i = 0; i < count; ++i) {
        if (!Send(ReadRequest(m_request.targetMac, blocks[i]))) return 0;
        Sleep(kAfterReadMs);
    }
    return 1;
}

int CMultiPortDevType::RequestInfo() { return SendReads(m_model.blocks, m_model.blockCount); }

int CMultiPortDevType::RequestBlock(int block) {
    const uint8_t only = uint8_t(block);
    return SendReads(&only, 1);
}

int CMultiPortDevType::OnDatagram(const uint8_t *data, int len, const char * /*from*/) {
    if (m_replyMode != kReplyInfo || len <= 0) return 0;
    BlockReply reply;
    if (!ParseBlockReply(data, size_t(len), reply) || reply.mac != m_request.targetMac) return 0;
    if (reply.block >= kBlockSlots) return 0;
    std::unique_ptr<Block> &slot = m_blocks[reply.block];
    if (!slot) slot = std::make_unique<Block>();
    *slot = reply.data;
    for (const ConfigField &row : m_fields)
        if (row.block == reply.block) m_info.Append(row.name, DecodeValue(row, *slot));
    ++m_replyCount;
    return 1;
}

int CMultiPortDevType::WriteConfig() {
    if (m_staged.keys.empty()) return 0;
    bool changed[kBlockSlots] = {};
    for (size_t i = 0; i < m_staged.keys.size(); ++i) {
        const ConfigField *row = FindField(m_fields, m_staged.keys[i]);
        // A block never received has no copy to change.
        if (!row || row->block >= kBlockSlots || !m_blocks[row->block]) continue;
        changed[row->block] = true;
        if (!BlockWriteHook(m_fields, m_blocks, *row, m_staged.values[i]))
            EncodeValue(*row, m_staged.values[i], *m_blocks[row->block]);
    }
    bool sent = false;
    for (size_t b = 0; b < kBlockSlots; ++b) {
        if (!changed[b]) continue;
        if (!Send(WriteRequest(m_request.targetMac, uint8_t(b), *m_blocks[b]))) return 0;
        sent = true;
        Sleep(kAfterWriteMs);
    }
    if (sent) {
        Sleep(kBeforeRestartMs);
        SendRestart(m_request.targetMac);
    }
    return 1;
}

void CMultiPortDevType::SendRestart(const CString &mac) {
    OpenRequest();
    Send(RestartRequest(mac));
}

int CMultiPortDevType::SendCmd(int /*type*/, const char *cmd, char * /*param*/, size_t /*paramCap*/) {
    if (std::strcmp(OrEmpty(cmd), "RESETDEV") != 0) return 0;
    SendRestart(m_request.param);
    return 1;
}

int CMultiPortDevType::IsHiddenKey(const CString &key) { return IsHiddenBlockKey(key); }

int CMultiPortDevType::FormatValue(const CString &key, const CString & /*value*/, CString &out) {
    return FormatBlockValue(m_info, key, out);
}

}  // namespace vd
