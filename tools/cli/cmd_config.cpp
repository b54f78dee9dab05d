// show: a device's settings over UDP, by IP for family A and by MAC for
// family B, one key/value pair at a time (set is in cmd_set.cpp).
#include <cstring>

#include "commands.h"
#include "device.h"
#include "device_settings.h"
#include "fleet.h"
#include "options.h"
#include "status.h"
#include "vandrel.h"

namespace vdcli {

namespace {

constexpr int kExitNoAnswer = VD_NO_INFO;

// The named keys; missing gets those the device did not report.
Pairs TakeNamed(const std::vector<std::string> &names, std::vector<std::string> &missing) {
    Pairs pairs;
    for (const std::string &name : names) {
        char key[VD_KEY_LEN] = "", value[VD_VALUE_LEN] = "";
        if (name.size() >= sizeof key) {
            missing.push_back(name);
            continue;
        }
        std::memcpy(key, name.c_str(), name.size() + 1);
        if (VD_GetDevConfigUDP(key, value) == VD_OK)
            pairs.emplace_back(name, value);
        else
            missing.push_back(name);
    }
    return pairs;
}

int RunShow(const Args &args, const Printer &out) {
    const std::vector<std::string> names(args.Positionals().begin() + 1, args.Positionals().end());
    if (args.Has("--snapshot") && !names.empty())
        return out.Fail("--snapshot keeps the whole of the settings: give no KEY", 0, kExitUsage);
    Target t;
    int status = 0;
    if (!ResolveTarget(args, args.Positionals()[0], out, t, status)) return status;
    const int r = ReadDevice(t);
    if (r == VD_WRONG_FAMILY) return FailWrongFamily(out, t.type);
    if (r != VD_OK) return out.Fail(t.addr.text + ": device did not answer", r, kExitNoAnswer);

    std::vector<std::string> missing;
    Pairs pairs = names.empty() ? TakeAll() : TakeNamed(names, missing);
    if (!CheckReportedType(t, pairs, out, status)) return status;
    Fleet fleet(args, out);
    fleet.Read(t, pairs);
    if (args.Has("--snapshot")) fleet.Snapshot(t, pairs);
    if (names.empty() && !args.Has("--with-password"))
        for (auto it = pairs.begin(); it != pairs.end();) it = it->first == "PASS" ? pairs.erase(it) : it + 1;

    if (out.Json()) {
        JsonValue doc = DeviceJson(t);
        doc["settings"] = JsonValue::object();
        for (const auto &p : pairs) doc["settings"][p.first] = p.second;
        if (!missing.empty()) doc["missing"] = missing;
        out.Document(doc);
    } else {
        out.Line(t.addr.text + "  type " + DescribeType(t.type));
        std::vector<Row> rows;
        for (const auto &p : pairs) rows.push_back({p.first, p.second});
        out.Table({"KEY", "VALUE"}, rows);
    }
    if (missing.empty()) return kExitOk;
    std::string list;
    for (const std::string &m : missing) list += (list.empty() ? "" : ", ") + m;
    out.Note("vandrel show: not reported by the device: " + list +
             (list.find("PASS") != std::string::npos ? " (PASS is only listed with --with-password)" : ""));
    return kExitFailed;
}

}  // namespace

std::vector<Command> ConfigCommands() {
    CommandDef show;
    show.name = "show";
    show.synopsis = "ADDRESS [KEY...]";
    show.summary = "read a device's settings (family A by IP, family B by MAC)";
    show.options = {TypeOption(), InterfaceOption(), {"--with-password", "", "also list PASS, the device's password"},
                    {"--snapshot", "", "keep the settings read in the fleet database, the password left out"}};
    for (const Option &o : FleetOptions()) show.options.push_back(o);
    show.details =
        "ADDRESS is the device's IP address (family A) or its MAC address (family B,\n"
        "asked by broadcast on UDP port 8801). With KEYs only those are shown.\n"
        "A device that does not answer is reported after about 2 s (3 s by MAC).\n\n"
        "The --json document is a backup: 'vandrel set ADDRESS --from FILE' writes\n"
        "it back, to this device or to another of the same type. --snapshot keeps\n"
        "the settings read in the fleet database ('vandrel snapshots ADDRESS').\n\n" +
        TypeListHelp();
    show.minPositionals = 1;

    return {{show, RunShow}, SetCommand()};
}

}  // namespace vdcli
