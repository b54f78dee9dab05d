// The per-device lock files (net/platform.h): LockFileEx on a file in the
// user's temporary folder, which only that user may change. The lock covers
// a byte far past the count, which other processes read while it is held.
#include <windows.h>

#include "net/platform.h"

namespace vd::net {

namespace {

HANDLE OpenLockFile(const std::string &device, DWORD disposition) {
    char dir[MAX_PATH + 1] = "";
    const DWORD length = GetTempPathA(sizeof dir, dir);
    if (length == 0 || length > MAX_PATH) return INVALID_HANDLE_VALUE;
    const std::string path = std::string(dir) + "vandrel-" + device + ".lock";
    // A reparse point (a link) is opened as itself, and then refused.
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    BY_HANDLE_FILE_INFORMATION info {};
    if (file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &info) &&
        !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return file;
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return INVALID_HANDLE_VALUE;
}

OVERLAPPED At(DWORD offsetHigh) {
    OVERLAPPED at {};
    at.OffsetHigh = offsetHigh;
    return at;
}

uint64_t ReadCount(HANDLE file) {
    uint64_t count = 0;
    DWORD got = 0;
    OVERLAPPED at = At(0);
    return ReadFile(file, &count, sizeof count, &got, &at) && got == sizeof count ? count : 0;
}

}  // namespace

DeviceLock::DeviceLock(const std::string &device, LockWait wait)
    : m_handle(reinterpret_cast<intptr_t>(OpenLockFile(device, OPEN_ALWAYS))) {
    const HANDLE file = reinterpret_cast<HANDLE>(m_handle);
    OVERLAPPED at = At(1);
    const DWORD mode = LOCKFILE_EXCLUSIVE_LOCK | (wait == LockWait::Try ? LOCKFILE_FAIL_IMMEDIATELY : 0);
    if (file != INVALID_HANDLE_VALUE && !LockFileEx(file, mode, 0, 1, 0, &at)) {
        m_busy = GetLastError() == ERROR_LOCK_VIOLATION;
        CloseHandle(file);
        m_handle = reinterpret_cast<intptr_t>(INVALID_HANDLE_VALUE);
    }
}

// Closing the file releases the lock, as the end of the process does.
DeviceLock::~DeviceLock() {
    const HANDLE file = reinterpret_cast<HANDLE>(m_handle);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

uint64_t DeviceLock::CountWrite() {
    const HANDLE file = reinterpret_cast<HANDLE>(m_handle);
    if (file == INVALID_HANDLE_VALUE) return 0;
    const uint64_t count = ReadCount(file) + 1;
    DWORD put = 0;
    OVERLAPPED at = At(0);
    return WriteFile(file, &count, sizeof count, &put, &at) && put == sizeof count ? count : 0;
}

uint64_t DeviceWrites(const std::string &device) {
    const HANDLE file = OpenLockFile(device, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return 0;
    const uint64_t count = ReadCount(file);
    CloseHandle(file);
    return count;
}

}  // namespace vd::net
