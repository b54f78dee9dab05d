#include "fleet_choice.h"

#include "fleet_front_end.h"

namespace vdcli {

std::string ChosenDb(const Args &args, const std::string &fallback, std::string &why, bool &isDefault, bool &off) {
    isDefault = false;
    bool envOff = false;
    const std::string env = vdfleet::EnvironmentDb(envOff);
    if (args.Has("--no-db") || (!args.Has("--db") && envOff)) {
        why = "the fleet database is off (--no-db or VANDREL_DB=off)";
        off = true;
        return "";
    }
    if (args.Has("--db")) return args.Value("--db");
    if (!env.empty()) return env;
    isDefault = true;
    if (fallback.empty()) why = "no fleet database: neither VANDREL_DB, XDG_STATE_HOME nor HOME is set";
    return fallback;
}

}  // namespace vdcli
