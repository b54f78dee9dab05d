// Single commands through VD_SendCmd: restart, any named command, and the
// firmware download and erase.

#include <algorithm>

#include "records.h"
#include "commands.h"
#include "image_check.h"
#include "device.h"
#include "fleet.h"
#include "interrupt.h"
#include "options.h"
#include "status.h"
#include "vandrel.h"

namespace vdcli {

namespace {

struct CommandTarget {
    Target target;
    uint32_t port = 0;
    uint8_t transport = 1;
};

// Address, type, port and transport of a command. Family B devices are
// named by MAC, which is also the command's parameter (Send); family A by IP.
bool ResolveCommandTarget(const Args &args, const Printer &out, CommandTarget &ct, int &status) {
    if (!PortOf(args, out, ct.port, status)) return false;
    ct.transport = args.Has("--tcp") ? 0 : 1;
    return ResolveTarget(args, args.Positionals()[0], out, ct.target, status);
}

// The commands the library sends by name, by family and transport (the
// firmware's DOWNLOAD and ERASE have commands of their own).
struct KnownCommand {
    const char *name;
    Family family;
    bool udp, tcp;
    int onlyType;  // 0: every type of the family
};

const KnownCommand kCommands[] = {
    {"RESETDEV", Family::A, true, true, 0},   {"10TCTRLIO", Family::A, true, true, 0},
    {"RESETDEV10T", Family::A, true, false, 7}, {"GETADC", Family::A, false, true, 0},
    {"GETIOSTAT", Family::A, false, true, 0}, {"SETIODIR", Family::A, false, true, 0},
    {"SETIOLEVEL", Family::A, false, true, 0}, {"RESETDEV", Family::B, true, false, 0},
};

bool Takes(const KnownCommand &c, const CommandTarget &ct) {
    const int type = ct.target.type;
    return c.family == FamilyOf(type) && (ct.transport == 0 ? c.tcp : c.udp) && (c.onlyType == 0 || c.onlyType == type);
}

// "" when the device takes cmd over the chosen transport, else a message
// listing those it takes.
std::string CommandProblem(const CommandTarget &ct, const std::string &cmd) {
    std::string list;
    for (const KnownCommand &c : kCommands) {
        if (!Takes(c, ct)) continue;
        if (cmd == c.name) return "";
        list += std::string(list.empty() ? "" : ", ") + c.name;
    }
    const std::string how = ct.transport == 0 ? "over TCP" : "over UDP";
    return "'" + cmd + "' is not a command of type " + std::to_string(ct.target.type) + " devices " + how +
           "; they take: " + (list.empty() ? "none" : list);
}

// Sends cmd; param is the command's parameter (a family B device's MAC
// address, whatever was given) and, for GETADC and GETIOSTAT over TCP,
// receives the device's answer.
int Send(const CommandTarget &ct, const std::string &cmd, std::string &param) {
    if (ct.target.addr.isMac) param = ct.target.addr.text;
    std::vector<char> buffer(std::max<size_t>(VD_PARAM_LEN, param.size() + 1), '\0');
    std::copy(param.begin(), param.end(), buffer.begin());
    const Target &t = ct.target;
    const int r = VD_SendCmd(t.type, t.addr.isMac ? "" : t.addr.text.c_str(), ct.port, cmd.c_str(), buffer.data(),
                             ct.transport);
    param = buffer.data();
    return r;
}

// A command that acts on the device is a row of the audit trail.
void Record(const Args &args, const Printer &out, const CommandTarget &ct, const std::string &cmd,
            const std::string &param, int r) {
    Fleet fleet(args, out);
    RecordCommand(fleet, ct.target, cmd, param, r == VD_OK);
}

int Report(const Printer &out, const CommandTarget &ct, const std::string &cmd, int r, const std::string &what,
           const std::string &reply = "") {
    if (r != VD_OK) return out.Fail(ct.target.addr.text + ": " + CommandFailure(ct.transport == 0), r, kExitFailed);
    if (out.Json()) {
        JsonValue doc = DeviceJson(ct.target);
        doc["command"] = cmd;
        doc["transport"] = ct.transport ? "udp" : "tcp";
        if (!reply.empty()) doc["reply"] = reply;
        out.Document(doc);
    } else {
        out.Line(what);
    }
    return kExitOk;
}

int RunRestart(const Args &args, const Printer &out) {
    CommandTarget ct;
    int status = 0;
    if (!ResolveCommandTarget(args, out, ct, status)) return status;
    std::string param = args.Value("--param", "1");
    const int r = Send(ct, "RESETDEV", param);
    Record(args, out, ct, "RESETDEV", param, r);
    return Report(out, ct, "RESETDEV", r, "restart sent to " + ct.target.addr.text);
}

int RunCmd(const Args &args, const Printer &out) {
    CommandTarget ct;
    int status = 0;
    if (!ResolveCommandTarget(args, out, ct, status)) return status;
    const std::string cmd = args.Positionals()[1];
    const std::string problem = CommandProblem(ct, cmd);
    if (!problem.empty()) return out.Fail(problem, 0, kExitUsage);
    std::string param = args.Positionals().size() > 2 ? args.Positionals()[2] : "";
    const bool answers = ct.transport == 0 && (cmd == "GETADC" || cmd == "GETIOSTAT");
    const std::string sent = param;
    const int r = Send(ct, cmd, param);
    if (!answers) Record(args, out, ct, cmd, sent, r);
    return Report(out, ct, cmd, r,
                  answers ? cmd + ": " + param : cmd + " sent to " + ct.target.addr.text, answers ? param : "");
}

int RunDownload(const Args &args, const Printer &out) {
    const std::vector<std::string> files(args.Positionals().begin() + 1, args.Positionals().end());
    int status = 0;
    unsigned long long bytes = 0;
    if (!CheckImages(files, out, status, bytes)) return status;
    CommandTarget ct;
    if (!ResolveCommandTarget(args, out, ct, status)) return status;
    if (ct.target.addr.isMac) return FailWrongFamily(out, ct.target.type);
    std::string param;
    for (const std::string &f : files) param += (param.empty() ? "" : "*") + f;
    const std::string what = std::to_string(files.size()) + " image(s), " + std::to_string(bytes) + " bytes, to " +
                             ct.target.addr.text;
    // The transfer runs inside one library call: Ctrl-C ends it there and
    // says what had been under way.
    const std::string stopped = "interrupted: the download of " + what +
                                " stopped part way; the device has not got the images whole: download them again";
    const JsonValue doc =
        JsonValue::object({{"ip", ct.target.addr.text}, {"command", "DOWNLOAD"}, {"error", stopped}, {"code", 0}});
    ExitOnInterrupt("vandrel firmware download: " + stopped, out.Json() ? JsonText(doc, 2) + "\n" : "");
    out.Note("downloading " + what + " ...");
    const int r = Send(ct, "DOWNLOAD", param);
    Record(args, out, ct, "DOWNLOAD", param, r);
    if (r != VD_OK)
        return out.Fail(ct.target.addr.text + ": " + DownloadFailure(), r, kExitFailed);
    return Report(out, ct, "DOWNLOAD", r, "download acknowledged by " + ct.target.addr.text);
}

int RunErase(const Args &args, const Printer &out) {
    CommandTarget ct;
    int status = 0;
    if (!ResolveCommandTarget(args, out, ct, status)) return status;
    if (ct.target.addr.isMac) return FailWrongFamily(out, ct.target.type);
    std::string param;
    const int r = Send(ct, "ERASE", param);
    Record(args, out, ct, "ERASE", param, r);
    if (r != VD_OK)
        return out.Fail(ct.target.addr.text + ": erase failed: no connection, or not acknowledged", r, kExitFailed);
    return Report(out, ct, "ERASE", r, "erase acknowledged by " + ct.target.addr.text);
}

std::vector<Option> CommandOptions() {
    std::vector<Option> options = {TypeOption(),
                                   InterfaceOption(),
                                   {"--tcp", "", "send over TCP instead of UDP (family A)"},
                                   {"--port", "N", "the device's command port (family A; default 8800)"}};
    for (const Option &o : FleetOptions()) options.push_back(o);
    return options;
}

}  // namespace

std::vector<Command> DeviceCommands() {
    const std::string addressing =
        "ADDRESS is an IP address for family A and a MAC address for family B (whose\n"
        "commands are broadcast on UDP port 8801; --tcp and --port do not apply).\n\n";

    CommandDef restart;
    restart.name = "restart";
    restart.synopsis = "ADDRESS";
    restart.summary = "restart a device (RESETDEV)";
    restart.options = CommandOptions();
    restart.options.push_back({"--param", "N", "the restart item's value (family A; default 1)"});
    restart.details = addressing + TypeListHelp();
    restart.minPositionals = restart.maxPositionals = 1;

    CommandDef cmd;
    cmd.name = "cmd";
    cmd.synopsis = "ADDRESS COMMAND [PARAM]";
    cmd.summary = "send one named command (10TCTRLIO, RESETDEV10T, GETADC, ...)";
    cmd.options = CommandOptions();
    cmd.details = addressing +
                  "Commands: RESETDEV and 10TCTRLIO (UDP or TCP), RESETDEV10T (UDP, type 7 only);\n"
                  "over TCP also GETADC and GETIOSTAT, whose answer is printed, SETIODIR and\n"
                  "SETIOLEVEL. PARAM is the command's number. A UDP command is not answered.\n\n" + TypeListHelp();
    cmd.minPositionals = 2;
    cmd.maxPositionals = 3;

    CommandDef download;
    download.name = "firmware download";
    download.synopsis = "ADDRESS FILE...";
    download.summary = "download up to five firmware images to a family A device";
    download.options = CommandOptions();
    download.details =
        "The images are announced in one manifest and sent in 512-byte chunks, each\n"
        "acknowledged by the device; together they may take 114176 bytes (each\n"
        "rounded up to 512). The device's file names are the files' base names.\n"
        "Ctrl-C stops the transfer at once and says what was under way (exit\n"
        "status 130); the device then lacks the images until they are sent again.\n";
    download.minPositionals = 2;

    CommandDef erase;
    erase.name = "firmware erase";
    erase.synopsis = "ADDRESS";
    erase.summary = "erase a family A device's firmware images";
    erase.options = CommandOptions();
    erase.minPositionals = erase.maxPositionals = 1;

    return {{restart, RunRestart}, {cmd, RunCmd}, {download, RunDownload}, {erase, RunErase}};
}

}  // namespace vdcli
