#include "devices/family_b/port_dev_types.h"

#include "devices/family_b/key_rules.h"

namespace vd {

CFourPortDevType::CFourPortDevType() { SetModel(48, {0, 2, 3, 4, 5}); }

int CFourPortDevType::IsHiddenKey(const CString &key) { return IsHiddenBlockKey(key); }

int CFourPortDevType::FormatValue(const CString &key, const CString & /*value*/, CString &out) {
    return FormatBlockValue(m_info, key, out);
}

int CFourPortDevType::WriteHook(const ConfigField &field, const CString &value) {
    return BlockWriteHook(m_fields, m_blocks, field, value);
}

void CFourPortDevType::BuildFieldTable() { vd::BuildFieldTable(m_fields, m_blockCount - 1); }

const ConfigField *CFourPortDevType::FindField(const CString &name) { return vd::FindField(m_fields, name); }

CTwoPortDevType::CTwoPortDevType() { SetModel(56, {0, 2, 3}); }

CEightPortDevType::CEightPortDevType() { SetModel(64, {0, 2, 3, 4, 5, 6, 7, 8, 9}); }

COnePortDevType::COnePortDevType() { SetModel(32, {0, 2}); }

}  // namespace vd
