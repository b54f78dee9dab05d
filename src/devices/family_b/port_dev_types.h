// The four family B models. CFourPortDevType (type 48) brings the field
// table and the key rules; the other three differ from it only in their
// type code and the blocks they read, and so in the ports their table has.
//   48 CFourPortDevType   blocks 0, 2, 3, 4, 5
//   56 CTwoPortDevType    blocks 0, 2, 3
//   64 CEightPortDevType  blocks 0, 2 to 9
//   32 COnePortDevType    blocks 0, 2
#ifndef VANDREL_DEVICES_FAMILY_B_PORT_DEV_TYPES_H
#define VANDREL_DEVICES_FAMILY_B_PORT_DEV_TYPES_H

#include "devices/family_b/multi_port_dev_type.h"

namespace vd {

class CFourPortDevType : public CMultiPortDevType {
public:
    CFourPortDevType();
    int IsTypeSupported(int type) override { return uint8_t(type) == 48; }
    int IsHiddenKey(const CString &key) override;
    int FormatValue(const CString &key, const CString &value, CString &out) override;
    int WriteHook(const ConfigField &field, const CString &value) override;
    // One port block per entry of the block list after block 0.
    void BuildFieldTable() override;
    const ConfigField *FindField(const CString &name) override;
};

class CTwoPortDevType : public CFourPortDevType {
public:
    CTwoPortDevType();
    int IsTypeSupported(int type) override { return uint8_t(type) == 56; }
};

class CEightPortDevType : public CFourPortDevType {
public:
    CEightPortDevType();
    int IsTypeSupported(int type) override { return uint8_t(type) == 64; }
};

class COnePortDevType : public CFourPortDevType {
public:
    COnePortDevType();
    int IsTypeSupported(int type) override { return uint8_t(type) == 32; }
};

}  // namespace vd

#endif
