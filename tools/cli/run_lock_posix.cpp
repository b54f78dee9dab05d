#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "run_lock.h"

namespace vdcli {

RunLock::RunLock(const std::string &path) {
    // Not through a link: the database may sit in a folder others can write.
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        m_error = "cannot lock " + path + ": " + std::strerror(errno);
        return;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
        m_handle = fd;
        m_state = State::Held;
        return;
    }
    m_state = errno == EWOULDBLOCK ? State::Busy : State::Failed;
    m_error = "cannot lock " + path + ": " + std::strerror(errno);
    close(fd);
}

RunLock::~RunLock() {
    if (m_handle >= 0) close(int(m_handle));  // lets the lock go
}

}  // namespace vdcli
