#include "write_lock.h"

namespace vdcli {

WriteLock::WriteLock(const Target &t)
    : m_lock(vd::net::DeviceLockName(FamilyOf(t.type) == Family::B ? 'B' : 'A', t.addr.text)) {
    m_lock.CountWrite();
}

WriteLock::~WriteLock() { m_lock.CountWrite(); }

}  // namespace vdcli
