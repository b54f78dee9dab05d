// FamilyBHandler: the family B handler, one per model (type code and block
// list, codec/family_b_models.h). A device is named by its MAC text and keeps
// its settings as 256-byte blocks; the handler reads the blocks of its model
// by broadcast, keeps the last copy of each, turns them into key/value pairs
// through the field table, stores staged changes into its copies and writes
// the changed blocks back, each confirmed by reading it back, followed by a
// restart request. It sends no search.
#ifndef VANDREL_DEVICES_FAMILY_B_FAMILY_B_HANDLER_H
#define VANDREL_DEVICES_FAMILY_B_FAMILY_B_HANDLER_H

#include <string>

#include "codec/codec.h"
#include "core/family_handler.h"
#include "devices/family_b/block_protocol.h"
#include "devices/family_b/block_read.h"
#include "devices/family_b/block_write.h"

namespace vd {

class FamilyBHandler : public FamilyHandler {
public:
    // The field table covers the model's ports.
    explicit FamilyBHandler(const FamilyBModel &model);

    bool SearchAll(const RequestRecord &) override { return false; }
    bool Search(const RequestRecord &) override { return false; }
    // Read requests for every block of the model, 100 ms apart; false when a
    // send fails.
    bool RequestInfo(const RequestRecord &request) override;
    // Read requests again for the blocks still missing, 100 ms apart, as
    // many as fit before until.
    int RepeatRequest(SteadyClock::time_point until) override;
    // Every block of the model has arrived.
    bool IsInfoComplete() override;
    // Accepts a whole block reply from the target MAC for a block asked for
    // that has not arrived yet.
    bool OnDatagram(const uint8_t *data, int len, const char *from) override;
    // Reads the blocks of the staged keys that it does not hold for this
    // device, writes the changed blocks in ascending order, each confirmed
    // by reading it back (180 ms apart), then the restart request 120 ms
    // later. A block that does not take is sent again a few times; when it
    // still does not, the blocks written are written back as they were, no
    // restart is sent and the write is not confirmed. Nothing goes out when
    // nothing is staged.
    WriteOutcome WriteConfig(const RequestRecord &request) override;
    // "RESETDEV" sends the restart request to the MAC in the parameter.
    bool SendCmd(const RequestRecord &request, int type, const char *cmd, char *param, size_t paramCap) override;
    bool IsTypeSupported(int type) override { return uint8_t(type) == m_model.type; }
    bool IsTransportSupported(int transport) override { return uint8_t(transport) == 1; }
    // The one block asked for on its own has arrived.
    bool IsBlockReplied() override;
    // A read request for that one block.
    bool RequestBlock(const RequestRecord &request, int block) override;
    // The next write reads every block it writes anew.
    void ForgetCopies() override { m_held = 0; }

protected:
    bool IsHiddenKey(const std::string &key) override;
    bool FormatValue(const std::string &key, const std::string &value, std::string &out) override;

    // The last copy of each block, and the read in progress: which blocks
    // were asked for and have arrived.
    BlockSlots m_blocks;
    BlockRead m_read;

private:
    // Opens m_requestSocket, empties m_info, discards what is queued and
    // sends the read requests, 100 ms apart; false at the first send that
    // fails.
    bool SendReads(BlockMask blocks);
    bool SendReadRequests(BlockMask blocks);
    void OpenRequest();
    bool Send(const BlockDatagram &datagram);
    void SendRestart(const std::string &mac);
    BlockMask ModelBlocks() const;

    // Reads replies on m_requestSocket until done() or ms have passed;
    // each is handed to take.
    template <typename Take, typename Done>
    bool Await(int ms, Take take, Done done);
    // Reads the blocks of the mask for the target device, asking again for
    // those that do not arrive; true when all arrived.
    bool Fetch(BlockMask blocks);
    // The blocks the staged keys live in.
    BlockMask StagedBlocks() const;
    // The write of WriteConfig; its outcome goes into m_outcome.
    void WriteStaged();
    // Writes the block, then reads it back until write confirms it; sent
    // again when it does not, a bounded number of times.
    bool WriteConfirmed(BlockWrite &write, uint8_t block);
    // Writes back the earlier copies of the blocks of write up to last, and
    // puts every copy of the blocks of write back as it was read.
    bool Undo(const BlockWrite &write, uint8_t last);
    // Ends a write that did not take: m_info gets the staged pairs whose
    // block is in failed.
    void NotTaken(BlockMask failed);

    const FamilyBModel &m_model;
    FieldTable m_fields;
    // The blocks of m_blocks that hold the copies of device m_heldMac.
    std::string m_heldMac;
    BlockMask m_held = 0;
    WriteOutcome m_outcome;
};

}  // namespace vd

#endif
