#include "fleet_front_end.h"

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <random>

namespace vdfleet {

std::string EnvironmentDb(bool &off) {
    const char *env = std::getenv("VANDREL_DB");
    off = env && std::string(env) == "off";
    return env && !off ? env : "";
}

std::string ProcessUser() {
#ifdef _WIN32
    const char *name = std::getenv("USERNAME");
    return name ? name : "?";
#else
    const passwd *user = getpwuid(geteuid());
    return user ? user->pw_name : "uid " + std::to_string(geteuid());
#endif
}

std::string NewOperation() {
    std::random_device random;
    char id[17];
    std::snprintf(id, sizeof id, "%08x%08x", unsigned(random()), unsigned(random()));
    return id;
}

}  // namespace vdfleet
