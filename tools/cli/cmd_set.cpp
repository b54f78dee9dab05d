// set: change a device's settings over UDP, guarded by its password. The
// device is read first, every key and value is checked against that read and
// against what the device's format stores, and only changed keys are sent.
#include "commands.h"
#include "device.h"
#include "device_batch.h"
#include "device_place.h"
#include "device_settings.h"
#include "fleet.h"
#include "interrupt.h"
#include "options.h"
#include "settings_file.h"
#include "status.h"
#include "vandrel.h"

namespace vdcli {

namespace {

constexpr int kExitNoAnswer = VD_NO_INFO;
// A family B device restarts after a write; its read back may take a
// few tries.
constexpr int kReadBackTries = 3;
// Longer lists of unchanged keys (a restore) are only counted.
constexpr size_t kListedUnchanged = 8;

struct Wanted {
    Pairs pairs;
    std::vector<std::pair<std::string, std::string>> skipped;  // key, why
};

bool ParsePairs(const Args &args, Pairs &pairs, std::string &error) {
    for (size_t i = 1; i < args.Positionals().size(); ++i) {
        const std::string &w = args.Positionals()[i];
        const size_t eq = w.find('=');
        if (eq == 0 || eq == std::string::npos) {
            error = "'" + w + "' is not KEY=VALUE";
            return false;
        }
        std::string ignored;
        if (FindPair(pairs, w.substr(0, eq), ignored)) {
            error = w.substr(0, eq) + " is given twice";
            return false;
        }
        pairs.emplace_back(w.substr(0, eq), w.substr(eq + 1));
    }
    return true;
}

// The settings of a file as if given as KEY=VALUE (the dashboard's writes,
// whose values are kept off the command line): checked as given, none skipped.
bool AddGivenFromFile(const DevicePlace &place, const std::string &path, Pairs &given, std::string &error) {
    SettingsFile file;
    if (!LoadFrom(place, path, file, error)) return false;
    std::string ignored;
    for (const auto &p : file.settings) {
        if (FindPair(given, p.first, ignored)) return (error = p.first + " is given twice"), false;
        given.push_back(p);
    }
    return true;
}

// The file's settings that a restore writes, then those of the command
// line, which win. A backup holds what the device is as well as how it is
// set up; the first is skipped, and so is the address of another device.
Wanted Merge(const SettingsFile &file, const Target &t, const Pairs &given) {
    Wanted w;
    const std::string from = t.addr.isMac ? file.mac : file.ip;
    const bool otherDevice = (file.ip.empty() && file.mac.empty()) ? false : from != t.addr.text;
    std::string ignored;
    for (const auto &p : file.settings) {
        if (FindPair(given, p.first, ignored)) continue;
        if (IsIdentityKey(p.first))
            w.skipped.emplace_back(p.first, "what the device is, not a setting");
        else if (p.first == "IP" && otherDevice)
            w.skipped.emplace_back(p.first, "the file is of another device; give IP=" + p.second + " to take its address");
        else
            w.pairs.push_back(p);
    }
    w.pairs.insert(w.pairs.end(), given.begin(), given.end());
    return w;
}

int Refuse(const Printer &out, const Target &t, const std::vector<Setting> &checks, const Pairs &current) {
    std::vector<std::string> lines = {"refused, nothing sent to " + t.addr.text + ":"};
    JsonValue doc = DeviceJson(t);
    doc["refused"] = JsonValue::array();
    bool unknown = false;
    for (const Setting &s : checks) {
        const std::string &problem = s.problem;
        if (problem.empty()) continue;
        lines.push_back("  " + problem);
        doc["refused"].push_back(
            JsonValue::object({{"key", s.key}, {"value", Shown(s.key, s.value)}, {"reason", problem}}));
        unknown = unknown || s.verdict == VR_UNKNOWN_KEY;
    }
    if (unknown)
        for (const std::string &line : KnownKeysHint(current)) lines.push_back(line);
    lines.push_back("(--force sends them as they are)");
    return out.Fail(lines, 0, kExitUsage, doc);
}

// Reads the device after the write: at the new address when the write moved
// a family A device.
bool ReadBack(const DevicePlace &place, const Target &t, const std::vector<Setting> &sent, Pairs &pairs) {
    Target at = t;
    for (const Setting &s : sent)
        if (s.key == "IP" && !t.addr.isMac) at.addr.text = s.value;
    for (int i = 0; i < kReadBackTries; ++i)
        if (ReadSettings(place, at, pairs) == VD_OK) return true;
    return false;
}

// The library reads every write back; after one that it could not confirm,
// notTaken holds the pairs that the device was not seen to hold. A family B
// write is all or nothing: what took is written back as it was and the
// device is not restarted.
int NotConfirmed(const Target &t, const Printer &out, const Pairs &notTaken, JsonValue &doc) {
    const bool allOrNothing = FamilyOf(t.type) == Family::B;
    doc["written"] = !allOrNothing;
    doc["not_confirmed"] = JsonValue::array();
    std::string list;
    for (const auto &p : notTaken) {
        doc["not_confirmed"].push_back(p.first);
        list += " " + p.first;
    }
    const std::string after = allOrNothing ? "; what was written was written back and the device not restarted" : "";
    return out.Fail(t.addr.text + ": not confirmed by reading the device back:" + list + after, VD_FAIL,
                    kExitFailed, doc);
}

// "stored", or why not.
std::string VerifyOne(const Setting &s, const Pairs &after) {
    std::string value;
    // A read on a fleet leaves the password out; the write it follows was
    // confirmed by the library's own read back.
    if (!FindPair(after, s.key, value)) return IsSecretKey(s.key) ? "stored" : "not shown by a read";
    if (value == s.stored) return s.stored == s.value ? "stored" : "stored as " + Shown(s.key, s.stored);
    return "not stored: reads '" + Shown(s.key, value) + "'";
}

// A set, checked: what to send and what to say about the rest.
struct Checked {
    Target t;
    std::string password, mac;
    Wanted wanted;
    std::vector<Setting> send;
    std::vector<std::string> unchanged, warnings;
    bool dryRun = false;
};

// Reads the device and checks every wanted setting against it; false with
// status set when the set ends here (a usage error, no answer, a refusal).
bool CheckSet(const Args &args, const Printer &out, const DevicePlace &place, Fleet &fleet, Checked &c, int &status) {
    std::string error;
    if (place.batch) c.password = place.password;
    else if (!RequirePassword(args, out, c.password, status)) return false;
    const std::string badPassword = ControlRefusal("PASS", c.password);
    Pairs given;
    SettingsFile file;
    if (!badPassword.empty()) error = "refused, nothing sent: " + badPassword;
    if (error.empty() && ParsePairs(args, given, error) && args.Has("--pairs-from"))
        AddGivenFromFile(place, args.Value("--pairs-from"), given, error);
    if (error.empty() && args.Has("--from")) LoadFrom(place, args.Value("--from"), file, error);
    if (error.empty() && given.empty() && !args.Has("--from")) error = "nothing to set: give KEY=VALUE or --from FILE";
    if (!error.empty()) return (status = out.Fail(error, 0, kExitUsage)), false;
    const bool force = args.Has("--force");
    c.dryRun = args.Has("--dry-run");

    Target &t = c.t;
    if (!ResolveTarget(args, args.Positionals()[0], out, t, status)) return false;
    if (file.type != 0 && file.type != t.type && !force) {
        status = out.Fail(args.Value("--from") + " is of a type " + std::to_string(file.type) + " device, " +
                              t.addr.text + " is type " + std::to_string(t.type) + " (--force restores it anyway)",
                          0, kExitUsage);
        return false;
    }
    // Staging works on the device's current settings: family A derives the
    // enable bits of "_D1"/"_D2" from them, and family B changes its copy of
    // every block it writes back.
    Pairs current;
    const int read = ReadSettings(place, t, current);
    if (read == VD_WRONG_FAMILY) return (status = FailWrongFamily(out, t.type)), false;
    if (read != VD_OK) return (status = out.Fail(t.addr.text + ": device did not answer", read, kExitNoAnswer)), false;
    if (!CheckReportedType(t, current, out, status)) return false;
    fleet.Read(t, current);
    FindPair(current, "MAC", c.mac);

    c.wanted = Merge(file, t, given);
    const std::vector<Setting> checks = CheckSettings(t.type, current, c.wanted.pairs);
    for (const Setting &s : checks) {
        if (s.verdict == VR_UNCHANGED) {
            c.unchanged.push_back(s.key);
            continue;
        }
        if (!s.problem.empty()) {
            // A NUL would end the value where it becomes a C string: not even --force sends it.
            const bool cut = s.value.find('\0') != std::string::npos;
            if (!force || cut) return (status = Refuse(out, t, checks, current)), false;
            c.warnings.push_back("sent anyway: " + s.problem);
        }
        c.send.push_back(s);
    }
    for (const auto &s : c.wanted.skipped) out.Note("vandrel set: skipped " + s.first + ": " + s.second);
    for (const std::string &w : c.warnings) out.Note("vandrel set: warning: " + w);
    return true;
}

// The result: a table for people, and the fields of the JSON document;
// after, when given, is the read back.
void ReportSet(const Checked &c, const Printer &out, bool written, const Pairs *after, JsonValue &doc) {
    JsonValue changes = JsonValue::array(), skipped = JsonValue::array();
    std::vector<Row> rows;
    for (const Setting &s : c.send) {
        // A password's change shows as kChangedSecret, now and new alike.
        const std::string from = Shown(s.key, s.current, kChangedSecret), to = Shown(s.key, s.value, kChangedSecret);
        JsonValue j = JsonValue::object({{"key", s.key}, {"from", s.shown ? JsonValue(from) : JsonValue()}, {"to", to}});
        if (s.stored != s.value) j["stored"] = Shown(s.key, s.stored);
        Row row = c.dryRun ? Row{s.key, s.shown ? from : "-", to} : Row{s.key, to};
        if (after) {
            j["result"] = VerifyOne(s, *after);
            row.push_back(VerifyOne(s, *after));
        }
        changes.push_back(j);
        rows.push_back(row);
    }
    for (const auto &s : c.wanted.skipped)
        skipped.push_back(JsonValue::object({{"key", s.first}, {"reason", s.second}}));
    doc["changes"] = changes;
    doc["unchanged"] = c.unchanged;
    doc["skipped"] = skipped;
    doc["warnings"] = c.warnings;
    doc["written"] = written;
    if (!rows.empty())
        out.Table(c.dryRun ? Row{"KEY", "NOW", "NEW"} : after ? Row{"KEY", "VALUE", "READ BACK"} : Row{"KEY", "VALUE"},
                  rows);
    std::string list;
    for (const std::string &k : c.unchanged) list += " " + k;
    if (c.unchanged.size() > kListedUnchanged)
        out.Line("unchanged: " + std::to_string(c.unchanged.size()) + " keys the device already holds");
    else if (!list.empty())
        out.Line("unchanged:" + list);
}

// One audit row a key sent, once the library has said whether the device
// holds it: a family B write that was not confirmed is written back whole.
void RecordSet(Fleet &fleet, const Checked &c, const JsonValue &doc) {
    std::vector<vdfleet::AuditRow> rows;
    const bool allUndone = FamilyOf(c.t.type) == Family::B && doc.contains("not_confirmed");
    for (const Setting &s : c.send) {
        vdfleet::AuditRow r;
        r.key = s.key;
        r.before = s.shown ? Shown(s.key, s.current, kChangedSecret) : "";
        r.after = Shown(s.key, s.value, kChangedSecret);
        bool missing = false;
        if (doc.contains("not_confirmed"))
            for (const JsonValue &k : doc["not_confirmed"]) missing = missing || k == s.key;
        r.confirmed = !allUndone && !missing;
        rows.push_back(r);
    }
    fleet.Audit(c.t, c.mac, rows);
}

int Finish(const Printer &out, const JsonValue &doc, const std::string &message, int code, int exitStatus) {
    if (exitStatus != kExitOk) return out.Fail(message, code, exitStatus, doc);
    out.Line(message);
    out.Document(doc);
    return exitStatus;
}

int Set(const Args &args, const Printer &out, const DevicePlace &place) {
    Checked c;
    int status = 0;
    Fleet fleet(args, out);
    if (!CheckSet(args, out, place, fleet, c, status)) return status;
    const Target &t = c.t;
    JsonValue doc = DeviceJson(t);
    if (c.dryRun || c.send.empty() || Interrupted()) {
        ReportSet(c, out, false, nullptr, doc);
        if (Interrupted()) return Finish(out, doc, t.addr.text + ": interrupted: nothing sent", 0, kExitInterrupted);
        return Finish(out, doc,
                      c.send.empty() ? t.addr.text + " already holds these values: nothing sent"
                                     : "dry run: " + std::to_string(c.send.size()) + " to change on " + t.addr.text +
                                           ", nothing sent",
                      VD_OK, kExitOk);
    }
    Pairs notTaken;
    const int r = WriteSettings(place, t, c.password, c.send, notTaken);
    const int notConfirmed = r == VD_FAIL ? NotConfirmed(t, out, notTaken, doc) : kExitOk;
    if (r == VD_OK || r == VD_FAIL) RecordSet(fleet, c, doc);
    if (r == VD_WRONG_FAMILY) return FailWrongFamily(out, t.type);
    if (r == VD_FAIL) return notConfirmed;
    if (r != VD_OK) return out.Fail(t.addr.text + ": " + CodeMessage(r) + "; nothing written", r, ExitStatusFor(r));

    if (!args.Has("--verify") || Interrupted()) {
        ReportSet(c, out, true, nullptr, doc);
        if (Interrupted())
            return Finish(out, doc, t.addr.text + ": written, then interrupted: not read back", 0, kExitInterrupted);
        return Finish(out, doc, "written to " + t.addr.text + " and confirmed by reading it back", VD_OK, kExitOk);
    }
    Pairs after;
    if (!ReadBack(place, t, c.send, after)) {
        ReportSet(c, out, true, nullptr, doc);
        return Finish(out, doc, t.addr.text + ": written, but the read back got no answer", VD_NO_INFO, kExitNoAnswer);
    }
    fleet.Read(t, after);
    ReportSet(c, out, true, &after, doc);
    size_t stored = 0;
    for (const Setting &s : c.send) stored += VerifyOne(s, after).compare(0, 6, "stored") == 0;
    const std::string summary = std::to_string(stored) + " of " + std::to_string(c.send.size()) + " stored";
    if (stored < c.send.size()) return Finish(out, doc, t.addr.text + ": read back: " + summary, 0, kExitFailed);
    return Finish(out, doc, "read back from " + t.addr.text + ": " + summary, VD_OK, kExitOk);
}

int RunSet(const Args &args, const Printer &out) {
    CatchInterrupt();
    return Set(args, out, DevicePlace());
}

int HostedSet(const Args &args, const Printer &out, const Hosted &hosted) {
    DeviceBatch batch(1);
    return Set(args, out, OnFleet(batch, hosted));
}

}  // namespace

Command SetCommand() {
    CommandDef set;
    set.name = "set";
    set.synopsis = "ADDRESS [KEY=VALUE...]";
    set.summary = "change settings, guarded by the device's password";
    set.options = {TypeOption(),
                   InterfaceOption(),
                   PasswordOption(),
                   {"--from", "FILE", "also the settings of FILE ('-': standard input), as 'show --json' prints"},
                   {"--verify", "", "read the device back and report each key as stored or not"},
                   {"--dry-run", "", "check and show what would change; send nothing"},
                   {"--force", "", "send keys and values that the checks refuse"},
                   {"--pairs-from", "FILE", "the settings of FILE, as if given as KEY=VALUE", false, true}};
    for (const Option &o : FleetOptions()) set.options.push_back(o);
    set.details =
        "The device is read first. Each key must be one the device reported (or one\n"
        "its type takes), and each value one that makes sense for the key and that\n"
        "the device stores as given: a number outside the key's range or choices\n"
        "('vandrel keys TYPE' lists them), text that its field would cut or an\n"
        "address that is not one is refused (exit status 2) and nothing is sent,\n"
        "unless --force. Keys whose value the device already holds are not sent.\n"
        "The write is guarded by the device's password; a mismatch writes nothing.\n"
        "Values are the texts 'show' prints; 'invalid' switches a destination off.\n"
        "Family B devices restart after a write.\n\n"
        "Every write is read back by the library and sent again, a few times, while\n"
        "the device does not hold it; keys it still does not hold are named and the\n"
        "command fails (exit status 1). A family B write is all or nothing: what was\n"
        "written is then written back and the device is not restarted.\n\n"
        "Restoring a backup: 'vandrel show ADDRESS --json > FILE', later\n"
        "'vandrel set ADDRESS --from FILE'. TYPE, MAC and VERSION are skipped, and\n"
        "so is IP when FILE is of another device. Add --with-password to the show\n"
        "to have the password restored too. Ctrl-C before the write sends nothing;\n"
        "during the write it lets the write finish (exit status 130).\n\n"
        "Each key written is a row of the fleet database's audit trail ('vandrel\n"
        "history'), the password's only as \"(changed)\".\n\n"
        "example:\n  vandrel set 192.0.2.7 --password secret NAME=pump-1 C1_BAUD=9 --verify\n\n" +
        TypeListHelp();
    set.minPositionals = 1;
    return {set, RunSet, HostedSet};
}

}  // namespace vdcli
