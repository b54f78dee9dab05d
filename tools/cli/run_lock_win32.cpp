#include <windows.h>

#include "run_lock.h"

namespace vdcli {

RunLock::RunLock(const std::string &path) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        m_error = "cannot lock " + path + ": cannot open it (error " + std::to_string(GetLastError()) + ")";
        return;
    }
    OVERLAPPED at = {};
    if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        m_handle = reinterpret_cast<intptr_t>(file);
        m_state = State::Held;
        return;
    }
    const DWORD why = GetLastError();
    m_state = why == ERROR_LOCK_VIOLATION ? State::Busy : State::Failed;
    m_error = "cannot lock " + path + " (error " + std::to_string(why) + ")";
    CloseHandle(file);
}

RunLock::~RunLock() {
    if (m_handle != -1) CloseHandle(reinterpret_cast<HANDLE>(m_handle));  // lets the lock go
}

}  // namespace vdcli
