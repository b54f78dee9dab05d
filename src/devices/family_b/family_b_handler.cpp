#include "devices/family_b/family_b_handler.h"

#include <algorithm>
#include <cstring>

#include "base/sleep.h"
#include "codec/codec.h"

namespace vd {

namespace {

// Pacing of the device's read requests.
constexpr int kAfterReadMs = 100;

}  // namespace

FamilyBHandler::FamilyBHandler(const FamilyBModel &model) : m_model(model) {
    BuildFieldTable(m_fields, model.Ports());
}

void FamilyBHandler::OpenRequest() { m_requestSocket.Open(m_request.SocketType(), "", kBlockPort); }

bool FamilyBHandler::Send(const BlockDatagram &datagram) {
    return m_requestSocket.SendData(datagram.data(), int(datagram.size())) >= 1;
}

BlockMask FamilyBHandler::ModelBlocks() const {
    BlockMask mask = 0;
    for (size_t i = 0; i < m_model.blockCount; ++i) mask |= BlockBit(m_model.blocks[i]);
    return mask;
}

bool FamilyBHandler::SendReadRequests(BlockMask blocks) {
    for (uint8_t block : BlocksOf(blocks)) {
        if (!Send(ReadRequest(m_request.targetMac, block))) return false;
        Sleep(kAfterReadMs);
    }
    return true;
}

bool FamilyBHandler::SendReads(BlockMask blocks) {
    OpenRequest();
    ClearInfo();
    m_replyMode = ReplyMode::Info;
    // A reply still queued from an earlier request is not this one's.
    m_requestSocket.DiscardQueued();
    m_read.Start(m_request.targetMac, blocks);
    return SendReadRequests(blocks);
}

bool FamilyBHandler::RequestInfo(const RequestRecord &request) {
    m_request = request;
    return SendReads(ModelBlocks());
}

bool FamilyBHandler::RequestBlock(const RequestRecord &request, int block) {
    m_request = request;
    return SendReads(BlockBit(uint8_t(block)));
}

int FamilyBHandler::RepeatRequest(SteadyClock::time_point until) {
    int spent = 0;
    for (uint8_t block : BlocksOf(m_read.Missing())) {
        const int left = MsUntil(until);
        if (left == 0 || !Send(ReadRequest(m_request.targetMac, block))) break;
        const int pace = std::min(kAfterReadMs, left);
        Sleep(pace);
        spent += pace;
    }
    return spent;
}

bool FamilyBHandler::IsInfoComplete() { return m_read.Wanted() == ModelBlocks() && m_read.Complete(); }

bool FamilyBHandler::IsBlockReplied() {
    const BlockMask wanted = m_read.Wanted();
    return (wanted & (wanted - 1)) == 0 && m_read.Complete();
}

bool FamilyBHandler::OnDatagram(const uint8_t *data, int len, const char * /*from*/) {
    if (m_replyMode != ReplyMode::Info || len <= 0) return false;
    BlockReply reply;
    if (!ParseBlockReply(data, size_t(len), reply) || !m_read.Take(reply)) return false;
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
    return true;
}

void FamilyBHandler::SendRestart(const std::string &mac) {
    OpenRequest();
    Send(RestartRequest(mac));
}

bool FamilyBHandler::SendCmd(const RequestRecord &request, int /*type*/, const char *cmd, char * /*param*/,
                             size_t /*paramCap*/) {
    if (std::strcmp(OrEmpty(cmd), "RESETDEV") != 0) return false;
    m_request = request;
    SendRestart(m_request.param);
    return true;
}

bool FamilyBHandler::IsHiddenKey(const std::string &key) { return IsHiddenBlockKey(key); }

bool FamilyBHandler::FormatValue(const std::string &key, const std::string & /*value*/, std::string &out) {
    return FormatBlockValue(m_info, key, out);
}

}  // namespace vd
