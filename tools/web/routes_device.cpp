// One device: its settings as 'show' reads them, a write with the checks,
// dry run, force and read back of 'set', and a backup and its restore; all
// in this process.
#include <regex>

#include "commands.h"
#include "dashboard.h"
#include "http_json.h"

namespace vdweb {

namespace {

// The fields of a write besides what it writes.
constexpr Field kPassword = {"password", Kind::Text}, kForce = {"force", Kind::Flag}, kDryRun = {"dry_run", Kind::Flag};

constexpr char kDevice[] = R"(/api/devices/([0-9A-Fa-f.:-]{1,17}))";

bool IsKey(const std::string &key) {
    static const std::regex name("[A-Za-z0-9_]{1,64}");
    return std::regex_match(key, name);
}

// --type from the table spares the worker a search for the device.
std::vector<std::string> Addressed(Dashboard &d, const httplib::Request &req, const std::string &command,
                                   const std::string &address) {
    std::vector<std::string> args = {command, address};
    if (const int type = d.fleet.TypeOf(address)) args.insert(args.end(), {"--type", std::to_string(type)});
    return d.memory.Recorded(args, UserOf(d, req));
}

// Every write of the dashboard goes through 'set', in this process on a
// fleet of the library: the same checks, the same refusals and messages as
// on the command line, then written and read back; in a place of the
// workers', as a read is. body: {"password", "force", "dry_run"}; extra:
// the settings' arguments, input what their "-" reads.
void Write(Dashboard &d, const httplib::Request &req, const JsonValue &body, std::vector<std::string> extra,
           const std::string &input, httplib::Response &res) {
    const std::string address = TableAddress(req.matches[1]);
    std::string password;
    bool force = false, dryRun = false;
    TextField(body, "password", password);
    FlagField(body, "force", force);
    FlagField(body, "dry_run", dryRun);
    std::vector<std::string> words = Addressed(d, req, "set", address);
    words.insert(words.end(), extra.begin(), extra.end());
    words.push_back(dryRun ? "--dry-run" : "--verify");
    if (force) words.push_back("--force");
    vdcli::Hosted hosted;
    hosted.password = password;
    hosted.input = input;
    const ToolReply r = RunHere(d.workers, words, hosted);
    d.counters.Operation(dryRun ? "check" : "set", r.status == 0 ? "ok" : r.status == 2 ? "refused" : "failed");
    if (r.status == 0) d.fleet.NoteName(address, r.doc);
    SendReply(res, r);
}

void Show(Dashboard &d, const httplib::Request &req, httplib::Response &res) {
    const std::string address = TableAddress(req.matches[1]);
    if (!IsAddress(address)) return SendError(res, 400, "'" + address + "' is not an IP or MAC address");
    // Reads of many devices run side by side, each in a place of the
    // workers' (a fleet's thread and sockets are what a client's requests
    // could otherwise pile up).
    const ToolReply r = RunHere(d.workers, Addressed(d, req, "show", address));
    d.counters.Operation("show", r.status == 0 ? "ok" : "failed");
    if (r.status == 0) d.fleet.NoteName(address, r.doc);
    SendReply(res, r);
}

}  // namespace

void AddDeviceRoutes(httplib::Server &server, Dashboard &d) {
    server.Get(kDevice, [&d](const httplib::Request &req, httplib::Response &res) { Show(d, req, res); });
    server.Get(std::string(kDevice) + "/backup", [&d](const httplib::Request &req, httplib::Response &res) {
        Show(d, req, res);
        std::string name = req.matches[1];
        for (char &c : name) c = c == ':' ? '-' : c;
        if (res.status == 200) res.set_header("Content-Disposition", "attachment; filename=\"" + name + ".json\"");
    });
    server.Post(std::string(kDevice) + "/settings", [&d](const httplib::Request &req, httplib::Response &res) {
        JsonValue body;
        if (!ReadObject(req, res, {{"settings", Kind::Object}, kPassword, kForce, kDryRun}, body)) return;
        if (!IsAddress(req.matches[1])) return SendError(res, 400, "not an IP or MAC address");
        const JsonValue settings = body.contains("settings") ? body["settings"] : JsonValue();
        if (!settings.is_object() || settings.empty())
            return SendError(res, 400, "\"settings\" must be an object of keys and their value texts");
        for (const auto &item : settings.items()) {
            std::string value;
            if (!IsKey(item.key())) return SendError(res, 400, "'" + item.key() + "' is not a key's name");
            if (!vdcli::ValueText(item.value(), value))
                return SendError(res, 400, item.key() + ": a value is a text or a whole number");
        }
        // Handed over as a file's settings, checked as given on the command
        // line: a key that names what the device is refused, not skipped as
        // a restore skips it.
        Write(d, req, body, {"--pairs-from", "-"}, JsonValue::object({{"settings", settings}}).dump(), res);
    });
    server.Post(std::string(kDevice) + "/restore", [&d](const httplib::Request &req, httplib::Response &res) {
        JsonValue body;
        if (!ReadObject(req, res, {{"backup", Kind::Object}, kPassword, kForce, kDryRun}, body)) return;
        if (!IsAddress(req.matches[1])) return SendError(res, 400, "not an IP or MAC address");
        if (!body.contains("backup") || !body["backup"].is_object())
            return SendError(res, 400, "\"backup\" must be a device's backup, as 'show --json' gives it");
        Write(d, req, body, {"--from", "-"}, body["backup"].dump(), res);
    });
}

}  // namespace vdweb
