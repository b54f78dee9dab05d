// at: one AT-command configuration session with a family B device over TCP:
// log in, read and write keys in the order given, then exit or reset.
#include <algorithm>

#include "commands.h"
#include "device.h"
#include "device_settings.h"
#include "fleet.h"
#include "interrupt.h"
#include "json_read.h"
#include "options.h"
#include "status.h"
#include "vandrel.h"

namespace vdcli {

namespace {

struct Step {
    std::string key;
    std::string value;  // what was written, or what was read
    bool write = false;
    int result = 0;
};

int RunStep(Step &s) {
    if (!s.write) {
        char value[VD_VALUE_LEN] = "";
        s.result = VD_GetDevConfigTCP(s.key.c_str(), value);
        s.value = s.result == VD_OK ? value : "";
        return s.result;
    }
    // The library may rewrite a "_D1"/"_D2" value as hex, in place.
    std::vector<char> value(std::max<size_t>(VD_VALUE_LEN, s.value.size() + 16), '\0');
    std::copy(s.value.begin(), s.value.end(), value.begin());
    s.result = VD_ModifyDevConfigTCP(s.key.c_str(), value.data());
    s.value = value.data();
    return s.result;
}

std::string StepFailure(const Step &s) {
    const std::string what = s.result == VD_FAIL ? "the device refused it" : CodeMessage(s.result);
    return (s.write ? "set " : "get ") + s.key + ": " + what;
}

std::string InterruptedText(size_t done, size_t total, bool exitSent) {
    return "interrupted after " + std::to_string(done) + " of " + std::to_string(total) + " steps; " +
           (exitSent ? "the session was left with its exit line" : "the exit line could not be sent");
}

// The words of the steps: those after the host, then the lines of --steps
// (a value given there stays off the command line, where any local user
// sees it); false after a usage error.
bool StepWords(const Args &args, const Printer &out, std::vector<std::string> &words, int &status) {
    words.assign(args.Positionals().begin() + 1, args.Positionals().end());
    if (!args.Has("--steps")) return true;
    std::string text, error;
    if (!ReadInput(args.Value("--steps"), "steps file", text, error)) {
        status = out.Fail(error, 0, kExitUsage);
        return false;
    }
    for (size_t at = 0; at < text.size();) {
        size_t end = std::min(text.find('\n', at), text.size());
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) words.push_back(line);
        at = end + 1;
    }
    return true;
}

// The steps: KEY reads, KEY=VALUE writes. A word without a key, or a
// control character in any of them or in the password, is a usage error
// and nothing is sent.
bool ParseSteps(const Args &args, const std::string &password, const Printer &out, std::vector<Step> &steps,
                int &status) {
    std::vector<std::string> words;
    if (!StepWords(args, out, words, status)) return false;
    for (const std::string &w : words) {
        const size_t eq = w.find('=');
        if (eq == 0) {
            status = out.Fail("'" + w + "' has no key", 0, kExitUsage);
            return false;
        }
        if (eq == std::string::npos)
            steps.push_back({w, "", false, 0});
        else
            steps.push_back({w.substr(0, eq), w.substr(eq + 1), true, 0});
    }
    std::string refused = ControlRefusal("PASS", password);
    for (const Step &s : steps)
        if (refused.empty()) refused = ControlRefusal(s.key, s.value);
    if (refused.empty()) return true;
    status = out.Fail("refused, nothing sent: " + refused, 0, kExitUsage);
    return false;
}

// How a session went once it was logged in.
struct Session {
    std::string host;
    uint32_t port;
    int type;
    bool reset;        // ended by a restart rather than the exit line
    int end;           // the result of that last request
    bool interrupted;  // by Ctrl-C
    int failed;        // the result of the step that ended it, or VD_OK
};

// The document for --json and the lines for people, of the first done
// steps; a failure is reported after either.
int Report(const Session &session, const std::vector<Step> &steps, size_t done, const Printer &out) {
    JsonValue list = JsonValue::array();
    std::vector<Row> rows;
    for (size_t i = 0; i < done; ++i) {
        const Step &s = steps[i];
        // A password written shows as changed, one read as hidden.
        const std::string value = Shown(s.key, s.value, s.write ? kChangedSecret : kHiddenSecret);
        list.push_back(JsonValue::object({{"op", s.write ? "set" : "get"},
                                          {"key", s.key},
                                          {"value", value},
                                          {"result", s.result},
                                          {"status", CodeName(s.result)}}));
        rows.push_back({s.write ? "set" : "get", s.key, value, s.result == VD_OK ? "ok" : CodeMessage(s.result)});
    }
    const std::string address = session.host + ":" + std::to_string(session.port);
    const JsonValue doc = JsonValue::object({{"host", session.host},
                                             {"port", int(session.port)},
                                             {"type", session.type},
                                             {"steps", list},
                                             {session.reset ? "reset" : "exit", session.end == VD_OK}});
    out.Line("logged in to " + address + ", type " + DescribeType(session.type));
    if (!rows.empty()) out.Table({"OP", "KEY", "VALUE", "RESULT"}, rows);
    out.Line(std::string(session.reset ? "reset" : "exit") +
             (session.end == VD_OK ? " sent" : ": " + CodeMessage(session.end)));
    if (session.interrupted)
        return out.Fail(InterruptedText(done, steps.size(), session.end == VD_OK), 0, kExitInterrupted, doc);
    if (session.failed != VD_OK) {
        const Step &s = steps[done - 1];
        return out.Fail(StepFailure(s), s.result, ExitStatusFor(s.result), doc);
    }
    out.Document(doc);
    return session.end == VD_OK ? kExitOk : ExitStatusFor(session.end);
}

// Each write of the session is a row of the audit trail, confirmed when the
// device accepted it (the session has no read of the value before), and so
// is a restart that ends it.
void RecordSession(const Args &args, const Printer &out, const Target &t, const std::vector<Step> &steps, size_t done,
                   bool reset, int end) {
    std::vector<vdfleet::AuditRow> rows;
    for (size_t i = 0; i < done; ++i) {
        if (!steps[i].write) continue;
        vdfleet::AuditRow r;
        r.key = steps[i].key;
        r.after = Shown(r.key, steps[i].value, kChangedSecret);
        r.confirmed = steps[i].result == VD_OK;
        rows.push_back(r);
    }
    if (reset) {
        vdfleet::AuditRow r;
        r.key = "RESETDEV";
        r.confirmed = end == VD_OK;
        rows.push_back(r);
    }
    if (!rows.empty()) Fleet(args, out).Audit(t, "", rows);
}

int RunAt(const Args &args, const Printer &out) {
    std::string host, password;
    uint32_t port = 0;
    int status = 0;
    if (!ParseHost(args.Positionals()[0], out, host, status) || !RequirePassword(args, out, password, status) ||
        !PortOf(args, out, port, status))
        return status;
    std::vector<Step> steps;
    if (!ParseSteps(args, password, out, steps, status)) return status;
    Target t;
    t.addr = {false, host};
    if (!ResolveType(args, t.addr, out, t.type, status)) return status;

    // Ctrl-C lets the step under way finish, then leaves the session with
    // its exit line, so the device does not stay logged in.
    CatchInterrupt();
    const int login = VD_LoginTCP(t.type, host.c_str(), port, password.c_str());
    if (login == VD_WRONG_FAMILY) return FailWrongFamily(out, t.type);
    if (login != VD_OK)
        return out.Fail(host + ":" + std::to_string(port) + ": login failed: " + CodeMessage(login), login,
                        ExitStatusFor(login));

    // The first step that fails ends the session: later ones would only
    // repeat the same error.
    size_t done = 0;
    int failed = VD_OK;
    for (; done < steps.size() && failed == VD_OK && !Interrupted(); ++done) failed = RunStep(steps[done]);
    const bool interrupted = Interrupted();
    const bool reset = args.Has("--reset") && !interrupted;
    const int end = reset ? VD_ResetDevTCP() : VD_ExitTCP();

    RecordSession(args, out, t, steps, done, reset, end);
    const Session session{host, port, t.type, reset, end, interrupted, failed};
    return Report(session, steps, done, out);
}

}  // namespace

std::vector<Command> SessionCommands() {
    CommandDef at;
    at.name = "at";
    at.synopsis = "HOST [KEY | KEY=VALUE]...";
    at.summary = "an AT-command session with a family B device over TCP";
    at.options = {TypeOption(),
                  PasswordOption(),
                  {"--port", "N", "the device's TCP port (default 8800)"},
                  {"--steps", "FILE", "also the steps of FILE ('-': standard input), one a line"},
                  {"--reset", "", "end by restarting the device instead of leaving the session"}};
    for (const Option &o : FleetOptions()) at.options.push_back(o);
    at.details =
        "Logs in, then reads each KEY and writes each KEY=VALUE in the order given,\n"
        "then leaves the session (or restarts the device with --reset). The first\n"
        "step that fails ends the session. _D1/_D2 values are decimal or 0x hex.\n"
        "--steps reads more steps, one a line, after those of the command line:\n"
        "values given there are not seen by other users in the process list.\n"
        "A value of PASS is shown as (changed) when written, (hidden) when read.\n"
        "A key, value or password with a control character (CR, LF, ...) is\n"
        "refused before anything is sent (exit status 2): a line break would end\n"
        "the command and start another.\n"
        "Ctrl-C lets the step under way finish, then leaves the session (exit\n"
        "status 130).\n\n"
        "example:\n  vandrel at 192.0.2.9 --password secret C1_BAUD C1_BAUD=115200 C1_BAUD\n";
    at.minPositionals = 1;
    return {{at, RunAt}};
}

}  // namespace vdcli
