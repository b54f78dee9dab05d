// Files opened without inheritance, so a process the host creates holds
// none of them. Through the descriptor: the C runtime's fopen does not take
// a flag for it everywhere.
#include <fcntl.h>
#include <io.h>

#include "net/platform.h"

namespace vd::net {

std::FILE *OpenToRead(const std::string &path) {
    const int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) return nullptr;
    std::FILE *file = _fdopen(fd, "rb");
    if (!file) _close(fd);
    return file;
}

}  // namespace vd::net
