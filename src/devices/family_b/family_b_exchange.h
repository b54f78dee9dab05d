// FamilyBExchange: a read of one family B device by MAC, or a write to it,
// all or nothing, as one exchange (core/device_exchange.h). It reads every
// block of the model, its requests 100 ms apart, asking again 300 ms after
// a round for the blocks still missing, until all are in or the deadline.
// (Each round after an unanswered one waits twice as long, up to 2.4 s.)
// A write reads only the blocks of the password and of its pairs, checks
// the password, then writes each changed block in
// ascending order, 180 ms apart: read back 100 ms after it is sent, asked
// once more when that read-back goes unanswered, sent again when the block
// does not hold what was sent, four times at most. A block that never takes
// undoes the blocks written before it (their earlier copies written back
// the same way) and sends no restart; otherwise the restart request follows
// 120 ms after the last block. It ends 500 ms after its last datagram.
#ifndef VANDREL_DEVICES_FAMILY_B_FAMILY_B_EXCHANGE_H
#define VANDREL_DEVICES_FAMILY_B_FAMILY_B_EXCHANGE_H

#include <memory>

#include "core/device_exchange.h"
#include "devices/family_b/block_protocol.h"
#include "devices/family_b/block_read.h"
#include "devices/family_b/block_write.h"

namespace vd {

class FamilyBExchange : public DeviceExchange {
public:
    FamilyBExchange(DeviceJob job, const FamilyBModel &model, DeviceLink &link);

    void Start(TimePoint now) override;
    void OnDatagram(size_t socket, const uint8_t *bytes, int length, const char *from) override;
    void OnTimer(TimePoint now) override;

private:
    enum class Phase { Reading, Writing, Restarting, Pausing };
    // Where the block being written stands.
    enum class Step { Sent, ReadBack, AskedAgain };

    bool Send(const BlockDatagram &datagram);
    // A read's blocks: the model's; a write's: those of the password and
    // of the pairs it writes.
    BlockMask BlocksToRead() const;
    void OnReadTimer(TimePoint now);
    void AfterRead(TimePoint now);
    // Stages the job's pairs into the copies; the blocks they change.
    BlockMask Stage();
    // Writes block m_blockAt of m_order (or, past the last, moves on).
    void WriteBlock(TimePoint now);
    void OnWriteTimer(TimePoint now);
    // The block at m_blockAt does not take: undo, or end the undo.
    void BlockFailed(TimePoint now);
    void Fail(BlockMask failed);
    void PauseThenFinish(int32_t result);
    void HandOut();

    DeviceJob m_job;
    const FamilyBModel &m_model;
    FieldTable m_fields;
    BlockSlots m_blocks;
    BlockRead m_read;
    Phase m_phase = Phase::Reading;
    // The read requests of the current round, and how many went out.
    std::vector<uint8_t> m_round;
    size_t m_roundSent = 0;
    int m_rounds = 0;
    TimePoint m_end;

    // The write in progress (or its undo), block by block.
    std::unique_ptr<BlockWrite> m_write;
    std::vector<uint8_t> m_order;
    size_t m_blockAt = 0;
    Step m_step = Step::Sent;
    int m_tries = 0;
    bool m_answered = false;
    bool m_undoing = false;
    BlockMask m_changed = 0;
    uint8_t m_failedBlock = 0;
    TimePoint m_sent;
    TimePoint m_lastSent;
    int32_t m_outcome = 0;
};

}  // namespace vd

#endif
