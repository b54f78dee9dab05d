// CMultiPortDevType: the block protocol shared by the family B handlers.
// A device is named by its MAC text (m_targetMac) and keeps its settings as
// 256-byte blocks; the handler reads the blocks of its model by broadcast,
// keeps the last copy of each, turns them into key/value pairs through the
// field table, stores staged changes into its copies and writes the changed
// blocks back, followed by a restart request. It sends no search.
#ifndef VANDREL_DEVICES_FAMILY_B_MULTI_PORT_DEV_TYPE_H
#define VANDREL_DEVICES_FAMILY_B_MULTI_PORT_DEV_TYPE_H

#include <initializer_list>

#include "core/dev_type.h"
#include "devices/family_b/block_protocol.h"
#include "devices/family_b/field_table.h"

namespace vd {

class CMultiPortDevType : public CDevType {
public:
    CMultiPortDevType() = default;

    int SearchAll() override { return 0; }
    int Search() override { return 0; }
    // Read requests for every block of the model (or m_singleBlock alone),
    // 100 ms apart; 0 when a send fails.
    int RequestInfo() override;
    int IsInfoComplete() override { return m_replyCount == m_blockCount; }
    // Accepts a whole block reply from the target MAC for a block below 32.
    int OnDatagram(const uint8_t *data, int len, const char *from) override;
    // The changed blocks in ascending order, 180 ms apart, then the restart
    // request 120 ms later. 0 when nothing is staged or a send fails.
    int WriteConfig() override;
    int UsesDatagram() override { return 1; }
    // "RESETDEV" sends the restart request to the MAC in param.
    int SendCmd(int type, const char *cmd, char *param, size_t paramCap) override;
    int CanSearch() override { return 0; }
    int IsTransportSupported(int transport) override { return uint8_t(transport) == 1; }
    int IsBlockReplied() override { return m_replyCount == 1; }
    int RequestBlock(int block) override;

    // The per-key rules applied before a value is stored; 1 when the row's
    // own bytes must not be written.
    virtual int WriteHook(const ConfigField & /*field*/, const CString & /*value*/) { return 0; }
    // Fills m_fields once.
    virtual void BuildFieldTable() = 0;
    virtual const ConfigField *FindField(const CString &name) = 0;

    int32_t m_singleBlock = -1;  // -1: every block of m_blockList
    uint8_t m_blockList[kBlockSlots] = {};
    uint8_t m_blockCount = 0;
    uint8_t m_replyCount = 0;  // replies accepted since the last request
    FieldTable m_fields;
    BlockSlots m_blocks;

protected:
    // Sets the type code and the blocks a full read asks for, in order.
    void SetModel(uint8_t type, std::initializer_list<uint8_t> blocks);

private:
    void OpenRequest();
    int Send(const BlockDatagram &datagram);
    void SendRestart();
    // WriteHook, then the row's kind, into the row's block buffer.
    void EncodeValue(const ConfigField &row, const CString &value);
};

}  // namespace vd

#endif
