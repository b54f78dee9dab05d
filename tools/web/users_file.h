// The dashboard's users file (--users): a line a user, NAME:ROLE:HASH:TOKEN,
// HASH the password's argon2id hash and TOKEN the digest of the user's API
// token (empty without one). It is only ever replaced whole (a new file
// renamed over it) and readable by its owner alone.
#ifndef VANDREL_WEB_USERS_FILE_H
#define VANDREL_WEB_USERS_FILE_H

#include <string>
#include <vector>

#include "roles.h"

namespace vdweb {

struct User {
    std::string name;
    Role role = Role::Viewer;
    std::string hash;   // the password's
    std::string token;  // the API token's digest
};

// Letters, digits, '.', '_', '-': 1 to 64 of them.
bool IsUserName(const std::string &name);

// A file that does not exist holds no users; false with a message naming
// the line that is wrong.
bool LoadUsers(const std::string &path, std::vector<User> &users, std::string &error);

// Writes a new file beside path (mode 0600, owned, when root writes it, by
// the owner of the folder, so that a service's own user keeps reading its
// file) and renames it over path.
bool SaveUsers(const std::string &path, const std::vector<User> &users, std::string &error);

}  // namespace vdweb

#endif
