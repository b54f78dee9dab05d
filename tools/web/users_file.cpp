#include "users_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <regex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vdweb {

namespace {

constexpr char kHeader[] = "# vandrel web users: NAME:ROLE:PASSWORD-HASH:TOKEN-DIGEST, kept by 'vandrel web users'\n";

std::string Folder(const std::string &path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, const std::string &text) {
    size_t done = 0;
    for (ssize_t n = 0; done < text.size() && (n = write(fd, text.data() + done, text.size() - done)) > 0;)
        done += size_t(n);
    return done == text.size();
}

}  // namespace

bool IsUserName(const std::string &name) {
    static const std::regex pattern("[A-Za-z0-9._-]{1,64}");
    return std::regex_match(name, pattern);
}

bool LoadUsers(const std::string &path, std::vector<User> &users, std::string &error) {
    users.clear();
    std::ifstream in(path);
    if (!in) {
        if (errno == ENOENT) return true;
        return (error = path + ": " + std::strerror(errno)), false;
    }
    static const std::regex line("([^:]+):([a-z]+):(\\$argon2id\\$[^:]+):([0-9a-f]{64})?");
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        if (text.empty() || text[0] == '#') continue;
        std::smatch m;
        User u;
        if (!std::regex_match(text, m, line) || !IsUserName(m[1]) || !ParseRole(m[2], u.role))
            return (error = path + ":" + std::to_string(number) + ": not NAME:ROLE:HASH:TOKEN"), false;
        u.name = m[1];
        u.hash = m[3];
        u.token = m[4];
        users.push_back(u);
    }
    return true;
}

bool SaveUsers(const std::string &path, const std::vector<User> &users, std::string &error) {
    std::string text = kHeader;
    for (const User &u : users) text += u.name + ":" + RoleName(u.role) + ":" + u.hash + ":" + u.token + "\n";
    std::string temp = path + ".new-XXXXXX";
    const int fd = mkstemp(&temp[0]);
    if (fd < 0) return (error = "cannot write beside " + path + ": " + std::strerror(errno)), false;
    struct stat folder {};
    bool ok = fchmod(fd, 0600) == 0;
    if (ok && geteuid() == 0 && stat(Folder(path).c_str(), &folder) == 0)
        ok = fchown(fd, folder.st_uid, folder.st_gid) == 0;
    ok = ok && WriteAll(fd, text) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (ok && rename(temp.c_str(), path.c_str()) == 0) return true;
    error = "cannot write " + path + ": " + std::strerror(errno);
    unlink(temp.c_str());
    return false;
}

}  // namespace vdweb
