// show: a device's settings over UDP, by IP for family A and by MAC for
// family B, one key/value pair at a time (set is in cmd_set.cpp).
#include <chrono>
#include <cstring>

#include "commands.h"
#include "device.h"
#include "device_place.h"
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

// The type the device reports agrees with t's; a fleet's read holds TYPE
// among its pairs when the device reported it.
bool TypeChecked(const Target &t, const Pairs &pairs, bool onFleet, const Printer &out, int &status) {
    if (!onFleet) return CheckReportedType(t, pairs, out, status);
    std::string reported, why;
    FindPair(pairs, "TYPE", reported);
    if (TypeAgrees(t, reported, why)) return true;
    status = out.Fail(why, 0, kExitFailed);
    return false;
}

int Report(const Args &args, const Printer &out, const Target &t, Pairs pairs, const std::vector<std::string> &missing) {
    const bool all = args.Positionals().size() == 1;
    Fleet fleet(args, out);
    fleet.Read(t, pairs);
    if (args.Has("--snapshot")) fleet.Snapshot(t, pairs);
    if (all && !args.Has("--with-password"))
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

int Show(const Args &args, const Printer &out, const DevicePlace &place) {
    const bool onFleet = place.batch != nullptr;
    const std::vector<std::string> names(args.Positionals().begin() + 1, args.Positionals().end());
    if (args.Has("--snapshot") && !names.empty())
        return out.Fail("--snapshot keeps the whole of the settings: give no KEY", 0, kExitUsage);
    if (onFleet && (!names.empty() || args.Has("--with-password")))
        return out.Fail("a read beside others gives every setting but the password: give no KEY", 0, kExitUsage);
    Target t;
    int status = 0;
    if (!ResolveTarget(args, args.Positionals()[0], out, t, status)) return status;
    Pairs pairs;
    const int r = names.empty() ? ReadSettings(place, t, pairs) : ReadDevice(t);
    if (r == VD_WRONG_FAMILY) return FailWrongFamily(out, t.type);
    if (r != VD_OK) return out.Fail(t.addr.text + ": device did not answer", r, kExitNoAnswer);

    std::vector<std::string> missing;
    if (!names.empty()) pairs = TakeNamed(names, missing);
    if (!TypeChecked(t, pairs, onFleet, out, status)) return status;
    return Report(args, out, t, std::move(pairs), missing);
}

int RunShow(const Args &args, const Printer &out) { return Show(args, out, DevicePlace()); }

int HostedShow(const Args &args, const Printer &out, const Hosted &hosted) {
    DeviceBatch batch(1);
    DevicePlace place = OnFleet(batch, hosted);
    place.until = std::chrono::steady_clock::now() + std::chrono::milliseconds(hosted.limitMs);
    return Show(args, out, place);
}

CommandDef ShowDef() {
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
    return show;
}

}  // namespace

std::vector<Command> ConfigCommands() { return {{ShowDef(), RunShow, HostedShow}, SetCommand()}; }

}  // namespace vdcli
