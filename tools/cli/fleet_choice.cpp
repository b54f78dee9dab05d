#include "fleet_choice.h"

#include <cstdlib>

namespace vdcli {

namespace {

constexpr char kOff[] = "off";

}  // namespace

std::string ChosenDb(const Args &args, const std::string &fallback, std::string &why, bool &isDefault, bool &off) {
    isDefault = false;
    const char *env = std::getenv("VANDREL_DB");
    if (args.Has("--no-db") || (!args.Has("--db") && env && std::string(env) == kOff)) {
        why = "the fleet database is off (--no-db or VANDREL_DB=off)";
        off = true;
        return "";
    }
    if (args.Has("--db")) return args.Value("--db");
    if (env && *env) return env;
    isDefault = true;
    if (fallback.empty()) why = "no fleet database: neither VANDREL_DB, XDG_STATE_HOME nor HOME is set";
    return fallback;
}

}  // namespace vdcli
