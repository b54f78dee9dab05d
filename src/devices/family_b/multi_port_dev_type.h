// CMultiPortDevType: the family B handler, one per model (type code and block
// list, codec/family_b_models.h). A device is named by its MAC text and keeps
// its settings as 256-byte blocks; the handler reads the blocks of its model
// by broadcast, keeps the last copy of each, turns them into key/value pairs
// through the field table, stores staged changes into its copies and writes
// the changed blocks back, followed by a restart request. It sends no search.
#ifndef VANDREL_DEVICES_FAMILY_B_MULTI_PORT_DEV_TYPE_H
#define VANDREL_DEVICES_FAMILY_B_MULTI_PORT_DEV_TYPE_H

#include "codec/codec.h"
#include "core/dev_type.h"
#include "devices/family_b/block_protocol.h"

namespace vd {

class CMultiPortDevType : public CDevType {
public:
    // The field table covers the model's ports.
    explicit CMultiPortDevType(const FamilyBModel &model);

    int SearchAll() override { return 0; }
    int Search() override { return 0; }
    // Read requests for every block of the model, 100 ms apart; 0 when a
    // send fails.
    int RequestInfo() override;
    int IsInfoComplete() override { return m_replyCount == m_model.blockCount; }
    // Accepts a whole block reply from the target MAC for a block below 32.
    int OnDatagram(const uint8_t *data, int len, const char *from) override;
    // The changed blocks in ascending order, 180 ms apart, then the restart
    // request 120 ms later. 0 when nothing is staged or a send fails.
    int WriteConfig() override;
    // "RESETDEV" sends the restart request to the MAC in the parameter.
    int SendCmd(int type, const char *cmd, char *param, size_t paramCap) override;
    int IsTypeSupported(int type) override { return uint8_t(type) == m_model.type; }
    int IsTransportSupported(int transport) override { return uint8_t(transport) == 1; }
    int IsBlockReplied() override { return m_replyCount == 1; }
    // A read request for that one block.
    int RequestBlock(int block) override;
    int IsHiddenKey(const CString &key) override;
    int FormatValue(const CString &key, const CString &value, CString &out) override;

    uint8_t m_replyCount = 0;  // replies accepted since the last request
    FieldTable m_fields;
    BlockSlots m_blocks;

private:
    // Opens m_requestSocket, empties m_info and sends the read requests, 100
    // ms apart; 0 at the first send that fails.
    int SendReads(const uint8_t *blocks, size_t count);
    void OpenRequest();
    int Send(const BlockDatagram &datagram);
    void SendRestart(const CString &mac);

    const FamilyBModel &m_model;
};

}  // namespace vd

#endif
