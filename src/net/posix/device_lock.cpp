// The per-device lock files (net/platform.h): flock on a file in a directory
// of this user's own. Other local users are not trusted: nothing is followed
// through a link, and a directory or file of another owner is not used.
#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "net/platform.h"

namespace vd::net {

namespace {

// The directory, opened; -1 when it is not this user's alone.
int OpenPrivateDir() {
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string dir = runtime && runtime[0] == '/' ? std::string(runtime) + "/vandrel"
                                                          : "/tmp/vandrel-" + std::to_string(getuid());
    mkdir(dir.c_str(), 0700);  // one already there is judged below, like a new one
    const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat st {};
    if (fd >= 0 && fstat(fd, &st) == 0 && st.st_uid == getuid() && (st.st_mode & 077) == 0) return fd;
    if (fd >= 0) close(fd);
    return -1;
}

// A device is named by its address, which holds within one network
// namespace: the same address in another namespace is another device.
std::string FileName(const std::string &device) {
    struct stat space {};
    return device + (stat("/proc/self/ns/net", &space) == 0 ? "-" + std::to_string(space.st_ino) : "") + ".lock";
}

int OpenLockFile(const std::string &device, int flags) {
    const int dir = OpenPrivateDir();
    if (dir < 0) return -1;
    const int fd = openat(dir, FileName(device).c_str(), flags | O_RDWR | O_NOFOLLOW | O_CLOEXEC, 0600);
    close(dir);
    struct stat st {};
    if (fd >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == getuid()) return fd;
    if (fd >= 0) close(fd);
    return -1;
}

uint64_t ReadCount(int fd) {
    uint64_t count = 0;
    return pread(fd, &count, sizeof count, 0) == ssize_t(sizeof count) ? count : 0;
}

}  // namespace

DeviceLock::DeviceLock(const std::string &device, LockWait wait) : m_handle(OpenLockFile(device, O_CREAT)) {
    // Out of files is no reason to write unlocked: a try is busy then, and
    // is tried again once other writes have given theirs back.
    m_busy = m_handle < 0 && wait == LockWait::Try && (errno == EMFILE || errno == ENFILE);
    const int mode = wait == LockWait::Try ? LOCK_EX | LOCK_NB : LOCK_EX;
    while (m_handle >= 0 && flock(int(m_handle), mode) != 0) {
        if (errno == EINTR) continue;
        m_busy = errno == EWOULDBLOCK;
        close(int(m_handle));
        m_handle = -1;
    }
}

// Closing the file releases the lock, as the end of the process does.
DeviceLock::~DeviceLock() {
    if (m_handle >= 0) close(int(m_handle));
}

uint64_t DeviceLock::CountWrite() {
    if (m_handle < 0) return 0;
    const uint64_t count = ReadCount(int(m_handle)) + 1;
    return pwrite(int(m_handle), &count, sizeof count, 0) == ssize_t(sizeof count) ? count : 0;
}

uint64_t DeviceWrites(const std::string &device) {
    const int fd = OpenLockFile(device, 0);
    if (fd < 0) return 0;
    const uint64_t count = ReadCount(fd);
    close(fd);
    return count;
}

}  // namespace vd::net
