#include "write_lock.h"

#include <cctype>

namespace vdcli {

namespace {

// The lock file's name as the library's writes give it: the family, then
// the IP, or the MAC's hexadecimal digits.
std::string LockName(const Target &t) {
    const bool familyB = FamilyOf(t.type) == Family::B;
    std::string name = familyB ? "B-" : "A-";
    for (const char c : t.addr.text)
        if (std::isxdigit(static_cast<unsigned char>(c)) || (c == '.' && !familyB))
            name += char(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

}  // namespace

WriteLock::WriteLock(const Target &t) : m_lock(LockName(t)) { m_lock.CountWrite(); }

WriteLock::~WriteLock() { m_lock.CountWrite(); }

}  // namespace vdcli
