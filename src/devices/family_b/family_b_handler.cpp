#include "devices/family_b/family_b_handler.h"

#include <cstring>

#include "base/sleep.h"
#include "codec/codec.h"

namespace vd {

namespace {

constexpr int kReplyInfo = 1;
// Pacing of the device's read requests.
constexpr int kAfterReadMs = 100;

}  // namespace

FamilyBHandler::FamilyBHandler(const FamilyBModel &model) : m_model(model) {
    BuildFieldTable(m_fields, model.Ports());
}

void FamilyBHandler::OpenRequest() { m_requestSocket.Open(m_request.SocketType(), "", kBlockPort); }

int FamilyBHandler::Send(const BlockDatagram &datagram) {
    return m_requestSocket.SendData(datagram.data(), int(datagram.size())) >= 1;
}

BlockMask FamilyBHandler::ModelBlocks() const {
    BlockMask mask = 0;
    for (size_t i = 0; i < m_model.blockCount; ++i) mask |= BlockBit(m_model.blocks[i]);
    return mask;
}

int FamilyBHandler::SendReadRequests(BlockMask blocks) {
    for (uint8_t block : BlocksOf(blocks)) {
        if (!Send(ReadRequest(m_request.targetMac, block))) return 0;
        Sleep(kAfterReadMs);
    }
    return 1;
}

int FamilyBHandler::SendReads(BlockMask blocks) {
    OpenRequest();
    m_info.ClearPairs();
    m_replyMode = kReplyInfo;
    // A reply still queued from an earlier request is not this one's.
    m_requestSocket.DiscardQueued();
    m_read.Start(m_request.targetMac, blocks);
    return SendReadRequests(blocks);
}

int FamilyBHandler::RequestInfo() { return SendReads(ModelBlocks()); }

int FamilyBHandler::RequestBlock(int block) { return SendReads(BlockBit(uint8_t(block))); }

int FamilyBHandler::RepeatRequest() {
    const BlockMask missing = m_read.Missing();
    SendReadRequests(missing);
    return kAfterReadMs * int(BlocksOf(missing).size());
}

int FamilyBHandler::IsInfoComplete() { return m_read.Wanted() == ModelBlocks() && m_read.Complete(); }

int FamilyBHandler::IsBlockReplied() {
    const BlockMask wanted = m_read.Wanted();
    return (wanted & (wanted - 1)) == 0 && m_read.Complete();
}

int FamilyBHandler::OnDatagram(const uint8_t *data, int len, const char * /*from*/) {
    if (m_replyMode != kReplyInfo || len <= 0) return 0;
    BlockReply reply;
    if (!ParseBlockReply(data, size_t(len), reply) || !m_read.Take(reply)) return 0;
    std::unique_ptr<Block> &slot = m_blocks[reply.block];
    if (!slot) slot = std::make_unique<Block>();
    *slot = reply.data;
    if (m_heldMac != reply.mac) {
        m_heldMac = reply.mac;
        m_held = 0;
    }
    m_held |= BlockBit(reply.block);
    for (const ConfigField &row : m_fields)
        if (row.block == reply.block) m_info.Append(row.name, DecodeValue(row, *slot));
    return 1;
}

void FamilyBHandler::SendRestart(const std::string &mac) {
    OpenRequest();
    Send(RestartRequest(mac));
}

int FamilyBHandler::SendCmd(int /*type*/, const char *cmd, char * /*param*/, size_t /*paramCap*/) {
    if (std::strcmp(OrEmpty(cmd), "RESETDEV") != 0) return 0;
    SendRestart(m_request.param);
    return 1;
}

int FamilyBHandler::IsHiddenKey(const std::string &key) { return IsHiddenBlockKey(key); }

int FamilyBHandler::FormatValue(const std::string &key, const std::string & /*value*/, std::string &out) {
    return FormatBlockValue(m_info, key, out);
}

}  // namespace vd
