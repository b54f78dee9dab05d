// Sessions with one device: an AT-command console (a family B device's
// reads and writes, in order, in one login), the IO panel of an IO module,
// and a data channel (text or hexadecimal bytes out, what comes back).
#include <regex>

#include "dashboard.h"
#include "hex_bytes.h"
#include "http_json.h"

namespace vdweb {

namespace {

constexpr Field kHost = {"host", Kind::Text}, kPort = {"port", Kind::Number};

// An AT step: KEY to read it, KEY=VALUE to write it.
bool IsAtStep(const std::string &step) {
    static const std::regex pattern("[A-Za-z0-9_]{1,64}(=[^\\r\\n]*)?");
    return std::regex_match(step, pattern);
}

bool IsIoAction(const std::string &action) {
    static const std::regex pattern("ad|state|dir=[0-9]{1,5}|level=[0-9]{1,5}");
    return std::regex_match(action, pattern);
}

// The host and port of a session; false after answering 400.
bool HostOf(const JsonValue &body, httplib::Response &res, std::vector<std::string> &args) {
    std::string host;
    long long port = 8800;
    TextField(body, "host", host);
    if (!NumberField(body, "port", 1, 65535, res, port)) return false;
    if (!IsAddress(host) || host.find(':') != std::string::npos) {
        SendError(res, 400, "\"host\" must be the device's IP address");
        return false;
    }
    args.insert(args.end(), {host, "--port", std::to_string(port)});
    return true;
}

void Run(Dashboard &d, const std::string &kind, const std::vector<std::string> &args, const std::string &password,
         httplib::Response &res, const std::string &input = "") {
    const ToolReply r = RunTool(d.workers, ToolTask(args, input, password));
    d.counters.Operation(kind, r.status == 0 ? "ok" : "failed");
    SendReply(res, r);
}

void At(Dashboard &d, const httplib::Request &req, httplib::Response &res) {
    JsonValue body;
    std::vector<std::string> args = {"at"}, steps;
    std::string password;
    if (!ReadObject(req, res, {kHost, kPort, {"password", Kind::Text}, {"steps", Kind::List}}, body) ||
        !HostOf(body, res, args) || !TextList(body, "steps", IsAtStep, "KEY or KEY=VALUE", res, steps))
        return;
    TextField(body, "password", password);
    // The steps go on standard input: a value on the command line is seen
    // by every local user.
    std::string lines;
    for (const std::string &step : steps) lines += step + "\n";
    args.insert(args.end(), {"--steps", "-"});
    // Its writes go in the audit trail.
    Run(d, "at", d.memory.Recorded(args, UserOf(d, req)), password, res, lines);
}

void Io(Dashboard &d, const httplib::Request &req, httplib::Response &res) {
    JsonValue body;
    std::vector<std::string> args = {"io"}, actions;
    if (!ReadObject(req, res, {kHost, kPort, {"actions", Kind::List}}, body) || !HostOf(body, res, args) ||
        !TextList(body, "actions", IsIoAction, "ad, state, dir=N or level=N", res, actions))
        return;
    if (actions.empty()) return SendError(res, 400, "\"actions\" names at least one of ad, state, dir=N, level=N");
    args.insert(args.end(), actions.begin(), actions.end());
    Run(d, "io", args, "", res);
}

void Data(Dashboard &d, const httplib::Request &req, httplib::Response &res) {
    JsonValue body;
    std::vector<std::string> args = {"data"};
    std::string text, hex;
    long long waitMs = 1000;
    // The text is bytes for the device's serial line: a line break is one.
    if (!ReadObject(req, res, {kHost, kPort, {"text", Kind::Bytes}, {"hex", Kind::Text}, {"wait", Kind::Number}},
                    body) ||
        !HostOf(body, res, args) || !NumberField(body, "wait", 0, 10000, res, waitMs))
        return;
    TextField(body, "text", text);
    TextField(body, "hex", hex);
    if (text.empty() == hex.empty()) return SendError(res, 400, "give \"text\" or \"hex\", one of them");
    // The bytes go on standard input, off the command line that every
    // local user sees.
    std::string bytes = text;
    if (!hex.empty() && !vdcli::ParseHex(hex, bytes))
        return SendError(res, 400, "\"hex\" takes hexadecimal bytes (\"AA 05 00\")");
    args.insert(args.end(), {"--wait", std::to_string(waitMs), "--from", "-"});
    Run(d, "data", args, "", res, bytes);
}

}  // namespace

void AddSessionRoutes(httplib::Server &server, Dashboard &d) {
    server.Post("/api/at", [&d](const httplib::Request &req, httplib::Response &res) { At(d, req, res); });
    server.Post("/api/io", [&d](const httplib::Request &req, httplib::Response &res) { Io(d, req, res); });
    server.Post("/api/data", [&d](const httplib::Request &req, httplib::Response &res) { Data(d, req, res); });
}

}  // namespace vdweb
