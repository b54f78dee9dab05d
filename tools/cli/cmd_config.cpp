// show and set: a device's settings over UDP, by IP for family A and by MAC
// for family B, one key/value pair at a time.
#include <cstring>

#include "commands.h"
#include "device.h"
#include "status.h"
#include "vandrel.h"

namespace vdcli {

namespace {

constexpr int kExitNoAnswer = VD_NO_INFO;

int ReadDevice(const Target &t) {
    return t.addr.isMac ? VD_GetDevInfoUDPbyMAC(t.addr.text.c_str(), t.type)
                        : VD_GetDevInfoUDPbyIP(t.addr.text.c_str(), t.type);
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

// Every pair the device reported, in its order ("PASS" included).
Pairs TakeAll() {
    Pairs pairs;
    for (;;) {
        char key[VD_KEY_LEN] = "", value[VD_VALUE_LEN] = "";
        if (VD_GetDevConfigUDP(key, value) != VD_OK || key[0] == '\0') return pairs;
        pairs.emplace_back(key, value);
    }
}

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
    Target t;
    int status = 0;
    if (!ResolveTarget(args, args.Positionals()[0], out, t, status)) return status;
    const int r = ReadDevice(t);
    if (r == VD_WRONG_FAMILY) return FailWrongFamily(out, t.type);
    if (r != VD_OK) return out.Fail(t.addr.text + ": device did not answer", r, kExitNoAnswer);

    const std::vector<std::string> names(args.Positionals().begin() + 1, args.Positionals().end());
    std::vector<std::string> missing;
    Pairs pairs = names.empty() ? TakeAll() : TakeNamed(names, missing);
    if (names.empty() && !args.Has("--with-password"))
        for (auto it = pairs.begin(); it != pairs.end();) it = it->first == "PASS" ? pairs.erase(it) : it + 1;

    if (out.Json()) {
        Json settings = Json::Object();
        for (const auto &p : pairs) settings.Set(p.first, p.second);
        Json doc = Json::Object();
        doc.Set(t.addr.isMac ? "mac" : "ip", t.addr.text).Set("type", t.type).Set("settings", settings);
        if (!missing.empty()) {
            Json list = Json::Array();
            for (const std::string &m : missing) list.Push(m);
            doc.Set("missing", list);
        }
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

int RunSet(const Args &args, const Printer &out) {
    if (!args.Has("--password"))
        return out.Fail("--password is required (--password '' for a device without one)", 0, kExitUsage);
    Pairs pairs;
    for (size_t i = 1; i < args.Positionals().size(); ++i) {
        const std::string &w = args.Positionals()[i];
        const size_t eq = w.find('=');
        if (eq == 0 || eq == std::string::npos) return out.Fail("'" + w + "' is not KEY=VALUE", 0, kExitUsage);
        pairs.emplace_back(w.substr(0, eq), w.substr(eq + 1));
    }
    Target t;
    int status = 0;
    if (!ResolveTarget(args, args.Positionals()[0], out, t, status)) return status;

    // Staging works on the device's current settings: family A derives the
    // enable bits of "_D1"/"_D2" from them, and family B changes its copy of
    // every block it writes back.
    const int read = ReadDevice(t);
    if (read == VD_WRONG_FAMILY) return FailWrongFamily(out, t.type);
    if (read != VD_OK) return out.Fail(t.addr.text + ": device did not answer", read, kExitNoAnswer);
    VD_ResetModifyConfigUDP();
    for (const auto &p : pairs) VD_SetModifyConfigUDP(p.first.c_str(), p.second.c_str());
    const std::string password = args.Value("--password");
    const int r = t.addr.isMac ? VD_ModifyDevUDPbyMAC(t.addr.text.c_str(), password.c_str(), t.type)
                               : VD_ModifyDevUDPbyIP(t.addr.text.c_str(), password.c_str(), t.type);
    VD_ResetModifyConfigUDP();
    if (r == VD_WRONG_FAMILY) return FailWrongFamily(out, t.type);
    if (r != VD_OK) return out.Fail(t.addr.text + ": " + CodeMessage(r), r, ExitStatusFor(r));

    if (out.Json()) {
        Json written = Json::Object();
        for (const auto &p : pairs) written.Set(p.first, p.second);
        Json doc = Json::Object();
        doc.Set(t.addr.isMac ? "mac" : "ip", t.addr.text).Set("type", t.type).Set("sent", written);
        out.Document(doc);
    } else {
        std::vector<Row> rows;
        for (const auto &p : pairs) rows.push_back({p.first, p.second});
        out.Table({"KEY", "VALUE"}, rows);
        out.Line("sent to " + t.addr.text + "; the device does not confirm writes: read back with 'vandrel show'");
    }
    return kExitOk;
}

}  // namespace

std::vector<Command> ConfigCommands() {
    CommandDef show;
    show.name = "show";
    show.synopsis = "ADDRESS [KEY...]";
    show.summary = "read a device's settings (family A by IP, family B by MAC)";
    show.options = {TypeOption(), {"--with-password", "", "also list PASS, the device's password"}};
    show.details =
        "ADDRESS is the device's IP address (family A) or its MAC address (family B,\n"
        "asked by broadcast on UDP port 8801). With KEYs only those are shown.\n"
        "A device that does not answer is reported after about 2 s (3 s by MAC).\n\n" +
        TypeListHelp();
    show.minPositionals = 1;

    CommandDef set;
    set.name = "set";
    set.synopsis = "ADDRESS KEY=VALUE...";
    set.summary = "change settings, guarded by the device's password";
    set.options = {TypeOption(), {"--password", "TEXT", "the device's password (required; '' for none)"}};
    set.details =
        "The device is read first and its password compared; a mismatch writes\n"
        "nothing. Values are the texts 'show' prints; 'invalid' switches a\n"
        "destination off. Family B devices restart after a write.\n\n"
        "example:\n  vandrel set 192.0.2.7 --password secret NAME=pump-1 C1_BAUD=9\n\n" +
        TypeListHelp();
    set.minPositionals = 2;
    return {{show, RunShow}, {set, RunSet}};
}

}  // namespace vdcli
