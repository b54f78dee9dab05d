#include "devices/family_b/family_b_exchange.h"

#include "core/write_confirm.h"
#include "vandrel.h"

namespace vd {

namespace {

using std::chrono::milliseconds;

// The device's pacing, as the handler keeps it.
constexpr milliseconds kAfterRead{100};
constexpr milliseconds kRepeat{300};
constexpr milliseconds kAfterWrite{180};
constexpr milliseconds kReadBackAfter{kReadBackAfterMs};
constexpr milliseconds kReadBackAgain{100};
constexpr milliseconds kBeforeRestart{120};
constexpr milliseconds kPauseAfterWrite{kPauseAfterWriteMs};
// The repeat interval doubles at most this often (to 2.4 s).
constexpr int kMaxBackoff = 3;

}  // namespace

FamilyBExchange::FamilyBExchange(DeviceJob job, const FamilyBModel &model, DeviceLink &link)
    : DeviceExchange(link), m_job(std::move(job)), m_model(model) {
    BuildFieldTable(m_fields, model.Ports());
}

bool FamilyBExchange::Send(const BlockDatagram &datagram) {
    return m_link.Broadcast(uint16_t(kBlockPort), datagram.data(), datagram.size());
}

void FamilyBExchange::Start(TimePoint now) {
    m_end = now + m_job.deadline;
    m_link.ExpectMac(*this, m_job.address);
    m_read.Start(m_job.address, BlocksToRead());
    m_round = BlocksOf(m_read.Wanted());
    m_roundSent = 0;
    m_next = now;
}

BlockMask FamilyBExchange::BlocksToRead() const {
    BlockMask all = 0;
    for (size_t i = 0; i < m_model.blockCount; ++i) all |= BlockBit(m_model.blocks[i]);
    if (m_job.pairs.empty()) return all;
    // A write reads the block of the password and those it changes.
    BlockMask needed = BlockBit(0);
    for (const auto &pair : m_job.pairs)
        if (const ConfigField *row = FindField(m_fields, pair.first)) needed |= BlockBit(row->block);
    return needed & all;
}

void FamilyBExchange::OnDatagram(size_t, const uint8_t *bytes, int length, const char *) {
    BlockReply reply;
    if (!ParseBlockReply(bytes, size_t(length), reply)) return;
    if (m_phase == Phase::Reading) {
        if (!m_read.Take(reply)) {
            if (m_read.Holds(reply)) ++m_counts.duplicates;
            return;
        }
        m_blocks[reply.block] = std::make_unique<Block>(reply.data);
        if (m_read.Complete()) m_next = TimePoint::min();
        return;
    }
    if (m_phase != Phase::Writing || m_blockAt >= m_order.size() || reply.block != m_order[m_blockAt]) return;
    m_answered = true;
    // Asked once more, a confirmed block moves on at once.
    if (m_write->Confirm(reply) && m_step == Step::AskedAgain) m_next = TimePoint::min();
}

void FamilyBExchange::OnTimer(TimePoint now) {
    switch (m_phase) {
        case Phase::Reading:
            return OnReadTimer(now);
        case Phase::Writing:
            return OnWriteTimer(now);
        case Phase::Restarting:
            Send(RestartRequest(m_job.address));
            m_lastSent = now;
            return PauseThenFinish(VD_OK);
        case Phase::Pausing:
            return Finish(m_outcome);
    }
}

void FamilyBExchange::OnReadTimer(TimePoint now) {
    if (m_read.Complete()) return AfterRead(now);
    if (now >= m_end) return Finish(m_job.pairs.empty() ? VD_FAIL : VD_NO_INFO);
    if (m_roundSent == m_round.size()) {
        m_round = BlocksOf(m_read.Missing());
        m_roundSent = 0;
        ++m_rounds;
    }
    if (m_rounds > 0) ++m_counts.resent;
    Send(ReadRequest(m_job.address, m_round[m_roundSent++]));
    // Every device of a crowded wire hears every broadcast: a round that
    // went unanswered waits twice as long before the next, up to a limit,
    // so that the re-sent requests of many devices do not crowd it further.
    const auto repeat = kRepeat * (1 << std::min(m_rounds, kMaxBackoff));
    m_next = std::min(now + (m_roundSent < m_round.size() ? kAfterRead : repeat), m_end);
}

void FamilyBExchange::AfterRead(TimePoint now) {
    if (m_job.pairs.empty()) {
        HandOut();
        return Finish(VD_OK);
    }
    const ConfigField *pass = FindField(m_fields, "PASS");
    if (!pass || !PasswordMatches(DecodeValue(*pass, *m_blocks[pass->block]), m_job.password))
        return Finish(VD_WRONG_PASSWORD);
    m_write = std::make_unique<BlockWrite>(m_job.address);
    for (uint8_t block : BlocksOf(m_read.Wanted())) m_write->Add(block, *m_blocks[block], *m_blocks[block]);
    m_changed = Stage();
    for (uint8_t block : BlocksOf(m_changed)) m_write->Add(block, m_write->Before(block), *m_blocks[block]);
    m_order = BlocksOf(m_changed);
    if (m_order.empty()) return Finish(VD_OK);
    m_phase = Phase::Writing;
    m_blockAt = 0;
    m_tries = 0;
    WriteBlock(now);
}

BlockMask FamilyBExchange::Stage() {
    BlockMask changed = 0;
    for (const auto &pair : m_job.pairs) {
        const ConfigField *row = FindField(m_fields, pair.first);
        if (!row || !m_blocks[row->block]) continue;
        changed |= BlockBit(row->block);
        if (!BlockWriteHook(m_fields, m_blocks, *row, pair.second)) EncodeValue(*row, pair.second, *m_blocks[row->block]);
    }
    return changed;
}

void FamilyBExchange::WriteBlock(TimePoint now) {
    if (m_blockAt >= m_order.size()) {
        if (m_undoing) return Fail(BlockBit(m_failedBlock));
        m_phase = Phase::Restarting;
        m_next = now + kBeforeRestart;
        return;
    }
    const uint8_t block = m_order[m_blockAt];
    if (m_tries > 0) ++m_counts.resent;
    if (!Send(WriteRequest(m_job.address, block, m_write->After(block)))) return BlockFailed(now);
    m_sent = m_lastSent = now;
    m_step = Step::Sent;
    m_next = now + kReadBackAfter;
}

void FamilyBExchange::OnWriteTimer(TimePoint now) {
    const uint8_t block = m_order[m_blockAt];
    const bool confirmed = m_write->Confirmed(block);
    if (m_step == Step::Sent) {
        m_answered = false;
        m_step = Step::ReadBack;
        Send(ReadRequest(m_job.address, block));
        m_next = m_sent + kAfterWrite;
        return;
    }
    if (!confirmed && m_step == Step::ReadBack && !m_answered) {
        // A read-back that went unanswered says nothing about the write.
        m_step = Step::AskedAgain;
        ++m_counts.resent;
        Send(ReadRequest(m_job.address, block));
        m_next = now + kReadBackAgain;
        return;
    }
    if (confirmed) {
        ++m_blockAt;
        m_tries = 0;
        return WriteBlock(now);
    }
    if (++m_tries < kWriteTries) return WriteBlock(now);
    BlockFailed(now);
}

void FamilyBExchange::BlockFailed(TimePoint now) {
    if (m_undoing) return Fail(m_changed);
    // The blocks up to the failed one go back to what was read; those past
    // it were never written.
    m_undoing = true;
    m_failedBlock = m_order[m_blockAt];
    auto undo = std::make_unique<BlockWrite>(m_job.address);
    std::vector<uint8_t> order;
    for (uint8_t block : m_order) {
        if (block > m_failedBlock) break;
        undo->Add(block, m_write->After(block), m_write->Before(block));
        order.push_back(block);
    }
    m_write = std::move(undo);
    m_order = order;
    m_blockAt = 0;
    m_tries = 0;
    WriteBlock(now);
}

void FamilyBExchange::Fail(BlockMask failed) {
    for (const auto &pair : m_job.pairs) {
        const ConfigField *row = FindField(m_fields, pair.first);
        if (row && (failed & BlockBit(row->block))) m_pairs.push_back(pair);
    }
    PauseThenFinish(VD_FAIL);
}

void FamilyBExchange::PauseThenFinish(int32_t result) {
    m_outcome = result;
    m_phase = Phase::Pausing;
    m_next = m_lastSent + kPauseAfterWrite;
}

void FamilyBExchange::HandOut() {
    DeviceRecord info;
    for (const ConfigField &row : m_fields)
        if (m_blocks[row.block]) info.Append(row.name, DecodeValue(row, *m_blocks[row.block]));
    for (size_t i = 0; i < info.keys.size(); ++i) {
        const std::string &key = info.keys[i];
        if (key == "PASS" || IsHiddenBlockKey(key)) continue;
        std::string out;
        if (!FormatBlockValue(info, key, out)) out = info.values[i];
        m_pairs.emplace_back(key, out);
    }
}

}  // namespace vd
