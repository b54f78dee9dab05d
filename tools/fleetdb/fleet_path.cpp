// Where the file lies by default, and its folder made when missing.
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "fleet_db.h"

namespace vdfleet {

namespace {

std::string Environment(const char *name) {
    const char *value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

std::string UserStatePath() {
#ifdef _WIN32
    const std::string base = Environment("LOCALAPPDATA");
    return base.empty() ? "" : base + "\\vandrel\\fleet.db";
#else
    // A relative XDG_STATE_HOME is invalid and ignored, as the XDG rules say.
    const std::string state = Environment("XDG_STATE_HOME"), home = Environment("HOME");
    if (!state.empty() && state[0] == '/') return state + "/vandrel/fleet.db";
    return home.empty() ? "" : home + "/.local/state/vandrel/fleet.db";
#endif
}

bool MakeFolderOf(const std::string &path, std::string &error) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(path).parent_path();
    std::error_code ec;
    if (folder.empty() || fs::is_directory(folder, ec)) return true;
    if (fs::create_directories(folder, ec)) fs::permissions(folder, fs::perms::owner_all, ec);
    if (!ec) return true;
    error = "cannot make the folder " + folder.string() + ": " + ec.message();
    return false;
}

}  // namespace vdfleet
