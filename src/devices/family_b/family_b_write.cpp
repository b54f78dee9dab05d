// FamilyBHandler's write: all or nothing. The device answers a write with
// nothing, so every block is read back and compared with what was sent, and
// the restart request, which makes the device take its new settings, goes
// out only when every block holds what it should.
#include <algorithm>
#include <string>

#include "base/sleep.h"
#include "codec/codec.h"
#include "core/write_confirm.h"
#include "devices/family_b/family_b_handler.h"

namespace vd {

namespace {

using Clock = SteadyClock;

// Pacing of the device's write requests.
constexpr int kAfterWriteMs = 180;
constexpr int kBeforeRestartMs = 120;
// A device answers a read within a few milliseconds.
constexpr int kReadBackAgainMs = 100;
// Blocks a write needs are read within the wait of the password's read,
// asked for again at the interval the registry's reads use.
constexpr int kFetchWaitMs = 2000;
constexpr int kFetchRepeatMs = 300;

}  // namespace

template <typename Take, typename Done>
bool FamilyBHandler::Await(int ms, Take take, Done done) {
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(ms);
    uint8_t buffer[kBlockReplySize + 1];
    while (!done()) {
        const int left = MsUntil(until);
        if (left == 0) return false;
        const int got = m_requestSocket.ReceiveTimed(buffer, int(sizeof buffer), nullptr, std::min(left, 10));
        if (got > 0 && unsigned(got) <= sizeof buffer) take(buffer, got);
    }
    return true;
}

bool FamilyBHandler::Fetch(BlockMask blocks) {
    if (!blocks) return true;
    if (!SendReads(blocks)) return false;
    auto take = [this](const uint8_t *data, int len) { OnDatagram(data, len, nullptr); };
    auto done = [this] { return m_read.Complete(); };
    for (int waited = 0; waited < kFetchWaitMs; waited += kFetchRepeatMs) {
        if (Await(kFetchRepeatMs, take, done)) return true;
        // Its pacing counts against the fetch's wait.
        waited += RepeatRequest(Clock::now() + std::chrono::milliseconds(kFetchWaitMs - waited - kFetchRepeatMs));
    }
    return m_read.Complete();
}

BlockMask FamilyBHandler::StagedBlocks() const {
    BlockMask blocks = 0;
    for (const std::string &key : m_staged.keys)
        if (const ConfigField *row = FindField(m_fields, key)) blocks |= BlockBit(row->block);
    return blocks;
}

bool FamilyBHandler::WriteConfirmed(BlockWrite &write, uint8_t block) {
    bool answered = false;
    auto take = [&](const uint8_t *data, int len) {
        BlockReply reply;
        if (!ParseBlockReply(data, size_t(len), reply) || reply.block != block) return;
        answered = true;
        write.Confirm(reply);
    };
    auto confirmed = [&] { return write.Confirmed(block); };
    for (int attempt = 0; attempt < kWriteTries; ++attempt) {
        const Clock::time_point sent = Clock::now();
        if (!Send(WriteRequest(m_request.targetMac, block, write.After(block)))) return false;
        m_outcome.lastSent = sent;
        Sleep(kReadBackAfterMs);
        m_requestSocket.DiscardQueued();
        answered = false;
        if (!Send(ReadRequest(m_request.targetMac, block))) return false;
        const bool taken = Await(MsUntil(sent + std::chrono::milliseconds(kAfterWriteMs)), take, confirmed);
        Sleep(MsUntil(sent + std::chrono::milliseconds(kAfterWriteMs)));
        if (taken) return true;
        // A read-back that went unanswered says nothing about the write:
        // it is asked once more before the write is sent again.
        if (!answered && Send(ReadRequest(m_request.targetMac, block)) &&
            Await(kReadBackAgainMs, take, confirmed))
            return true;
    }
    return false;
}

bool FamilyBHandler::Undo(const BlockWrite &write, uint8_t last) {
    BlockWrite undo(m_request.targetMac);
    bool undone = true;
    for (uint8_t block : write.Blocks()) {
        // The copies go back to what was read: a block past the one that did
        // not take was never written, and the device holds it as it was.
        *m_blocks[block] = write.Before(block);
        if (block > last) continue;
        undo.Add(block, write.After(block), write.Before(block));
        undone = WriteConfirmed(undo, block) && undone;
    }
    return undone;
}

void FamilyBHandler::NotTaken(BlockMask failed) {
    m_outcome.confirmed = false;
    DeviceRecord left;
    for (size_t i = 0; i < m_staged.keys.size(); ++i) {
        const ConfigField *row = FindField(m_fields, m_staged.keys[i]);
        if (row && (failed & BlockBit(row->block))) left.Append(m_staged.keys[i], m_staged.values[i]);
    }
    LeaveNotTaken(left);
}

WriteOutcome FamilyBHandler::WriteConfig(const RequestRecord &request) {
    m_request = request;
    m_outcome = WriteOutcome();
    if (!m_staged.keys.empty()) WriteStaged();
    return m_outcome;
}

void FamilyBHandler::WriteStaged() {
    if (m_heldMac != m_request.targetMac) m_held = 0;
    const BlockMask blocks = StagedBlocks();
    // A key whose block cannot be read would be lost: nothing is sent.
    if (!Fetch(blocks & ~m_held) || (blocks & ~m_held)) return NotTaken(blocks & ~m_held);
    BlockWrite write(m_request.targetMac);
    for (uint8_t block : BlocksOf(blocks)) write.Add(block, *m_blocks[block], *m_blocks[block]);
    for (size_t i = 0; i < m_staged.keys.size(); ++i) {
        const ConfigField *row = FindField(m_fields, m_staged.keys[i]);
        if (!row) continue;
        if (!BlockWriteHook(m_fields, m_blocks, *row, m_staged.values[i]))
            EncodeValue(*row, m_staged.values[i], *m_blocks[row->block]);
    }
    for (uint8_t block : BlocksOf(blocks)) write.Add(block, write.Before(block), *m_blocks[block]);
    for (uint8_t block : write.Blocks()) {
        if (WriteConfirmed(write, block)) continue;
        BlockMask failed = BlockBit(block);
        if (!Undo(write, block)) failed = blocks;
        return NotTaken(failed);
    }
    if (!blocks) return;
    Sleep(kBeforeRestartMs);
    SendRestart(m_request.targetMac);
    m_outcome.lastSent = Clock::now();
}

}  // namespace vd
