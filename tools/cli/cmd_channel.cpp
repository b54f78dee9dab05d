// io and data: the TCP data channels. io drives an IO module through a
// channel of its own (analogue inputs, IO state, direction, levels); data
// sends raw bytes on the default channel and prints what comes back.
#include <chrono>
#include <cstdio>
#include <thread>

#include "commands.h"
#include "device.h"
#include "hex_bytes.h"
#include "json_read.h"
#include "options.h"
#include "receiver.h"
#include "status.h"
#include "vandrel.h"
#include "vandrel_rules.h"

namespace vdcli {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kReadTries = 10;
constexpr int kReadPauseMs = 50;

bool ParseHostPort(const Args &args, const Printer &out, std::string &host, uint32_t &port, int &status) {
    return ParseHost(args.Positionals()[0], out, host, status) && PortOf(args, out, port, status);
}

// Reads are pipelined: a call hands back the answer to an earlier request
// and sends a new one. The first call only flushes what is queued and asks
// afresh, so the values come from after every earlier action.
template <typename Read>
int ReadFresh(Read read) {
    int r = read();
    for (int i = 0; i < kReadTries && r != VD_NO_CONNECTION; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kReadPauseMs));
        r = read();
        if (r == VD_OK) return r;
    }
    return r == VD_NO_CONNECTION ? r : VD_NO_INFO;
}

struct Action {
    std::string name;  // ad, state, dir, level
    long long value = 0;
    int result = 0;
    unsigned a = 0, b = 0;
};

// "" when word is an action, else what is wrong with it.
std::string ParseAction(const std::string &word, Action &action) {
    const size_t eq = word.find('=');
    action.name = word.substr(0, eq);
    const bool known = eq == std::string::npos ? action.name == "ad" || action.name == "state"
                                               : action.name == "dir" || action.name == "level";
    if (!known) return "unknown action '" + word + "' (ad, state, dir=N, level=N)";
    if (eq != std::string::npos && !ParseNumber(word.substr(eq + 1), 0, 255, action.value))
        return action.name + " takes a number from 0 to 255, not '" + word.substr(eq + 1) + "'";
    return "";
}

void RunAction(void *channel, Action &act) {
    if (act.name == "ad") {
        uint32_t a = 0, b = 0;
        act.result = ReadFresh([&] { return VD_GetAD(channel, &a, &b); });
        act.a = a;
        act.b = b;
    } else if (act.name == "state") {
        uint8_t a = 0, b = 0;
        act.result = ReadFresh([&] { return VD_GetIO(channel, &a, &b); });
        act.a = a;
        act.b = b;
    } else if (act.name == "dir") {
        act.result = VD_SetIODir(channel, uint8_t(act.value));
    } else {
        act.result = VD_SetIOLevel(channel, uint8_t(act.value));
    }
}

std::string ActionText(const Action &act) {
    if (act.result != VD_OK) return act.result == VD_NO_INFO ? "device did not answer" : CodeMessage(act.result);
    if (act.name == "ad") return "inputs " + std::to_string(act.a) + ", " + std::to_string(act.b);
    if (act.name == "state") return "state bytes " + std::to_string(act.a) + ", " + std::to_string(act.b);
    return "sent " + std::to_string(act.value);
}

int RunIo(const Args &args, const Printer &out) {
    std::string host;
    uint32_t port = 0;
    int status = 0;
    if (!ParseHostPort(args, out, host, port, status)) return status;
    std::vector<Action> actions;
    for (size_t i = 1; i < args.Positionals().size(); ++i) {
        Action act;
        const std::string problem = ParseAction(args.Positionals()[i], act);
        if (!problem.empty()) return out.Fail(problem, 0, kExitUsage);
        actions.push_back(act);
    }
    const std::string where = host + ":" + std::to_string(port);
    void *channel = VD_TCPInit(host.c_str(), port);
    if (!channel) return out.Fail(where + ": could not connect", VD_NO_CONNECTION, ExitStatusFor(VD_NO_CONNECTION));
    size_t done = 0;
    for (; done < actions.size(); ++done) {
        RunAction(channel, actions[done]);
        if (actions[done].result != VD_OK) {
            ++done;
            break;
        }
    }
    VD_TCPUninit(channel);

    JsonValue list = JsonValue::array();
    std::vector<Row> rows;
    for (size_t i = 0; i < done; ++i) {
        const Action &act = actions[i];
        JsonValue j = JsonValue::object({{"action", act.name}, {"result", act.result}});
        if (act.result == VD_OK && (act.name == "ad" || act.name == "state"))
            j["values"] = JsonValue::array({act.a, act.b});
        else if (act.name == "dir" || act.name == "level")
            j["value"] = act.value;
        list.push_back(j);
        rows.push_back({act.name, ActionText(act)});
    }
    const JsonValue doc = JsonValue::object({{"host", host}, {"port", port}, {"actions", list}});
    if (!out.Json()) out.Table({"ACTION", "RESULT"}, rows);
    const Action *failed = done > 0 && actions[done - 1].result != VD_OK ? &actions[done - 1] : nullptr;
    if (failed) return out.Fail(where + ": " + failed->name + ": " + ActionText(*failed), failed->result,
                                ExitStatusFor(failed->result), doc);
    out.Document(doc);
    return kExitOk;
}

constexpr int kQuietMs = 200;

std::string Printable(const std::string &bytes) {
    std::string text;
    for (unsigned char c : bytes) text += (c >= 0x20 && c < 0x7F) ? char(c) : '.';
    return text;
}

// Sends everything, retrying while the socket would block. False on error.
bool SendAll(const std::string &bytes) {
    size_t sent = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (sent < bytes.size() && Clock::now() < deadline) {
        const int n = VD_TCPSend(bytes.data() + sent, int32_t(bytes.size() - sent));
        if (n < 0) return false;
        if (n == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        sent += size_t(n);
    }
    return sent == bytes.size();
}

// Sends payload and collects the answer until the device has been quiet
// for a moment, the answer passes its cap or the wait ends. False when the
// payload could not be sent.
bool Exchange(const std::string &payload, Collected &answer, Clock::time_point deadline) {
    DataReceiver receiver(answer);
    if (!SendAll(payload)) return false;
    // Arrivals are delivered only while this thread runs its message loop.
    auto lastArrival = Clock::time_point{};
    while (!answer.Over() && Clock::now() < deadline) {
        const size_t before = answer.Bytes().size();
        receiver.Pump(20);
        if (answer.Bytes().size() != before) lastArrival = Clock::now();
        if (!answer.Bytes().empty() && Clock::now() - lastArrival > std::chrono::milliseconds(kQuietMs)) break;
    }
    return true;
}

void PrintDump(const Printer &out, const std::string &payload, const std::string &received) {
    out.Line("sent " + std::to_string(payload.size()) + " bytes, received " + std::to_string(received.size()) + ":");
    for (size_t i = 0; i < received.size(); i += 16) {
        const std::string line = received.substr(i, 16);
        std::string hex = HexText(line);
        hex.resize(16 * 3, ' ');
        char offset[24];
        std::snprintf(offset, sizeof offset, "%06zX  ", i);
        out.Line(offset + hex + " " + Printable(line));
    }
}

int RunData(const Args &args, const Printer &out) {
    std::string host;
    uint32_t port = 0;
    int status = 0;
    if (!ParseHostPort(args, out, host, port, status)) return status;
    std::string payload = args.Positionals().size() > 1 ? args.Positionals()[1] : "";
    if (args.Has("--hex") && (!payload.empty() || !ParseHex(args.Value("--hex"), payload)))
        return out.Fail("--hex takes hexadecimal bytes (\"AA 05 00\"), instead of TEXT", 0, kExitUsage);
    if (args.Has("--from")) {
        std::string error;
        if (!payload.empty() || args.Has("--hex"))
            return out.Fail("--from takes the place of TEXT and --hex", 0, kExitUsage);
        if (!ReadInput(args.Value("--from"), "data file", payload, error)) return out.Fail(error, 0, kExitUsage);
    }
    long long waitMs = 0, cap = 0;
    if (!WaitOf(args, out, waitMs, status) ||
        !NumberOf(args, out, "--max-bytes", 1, VR_DATA_MAX_BYTES,
                  "a number of bytes from 1 to " + std::to_string(VR_DATA_MAX_BYTES), cap, status, VR_DATA_BYTES))
        return status;

    const std::string where = host + ":" + std::to_string(port);
    if (VD_TCPConnect(host.c_str(), port) != VD_OK)
        return out.Fail(where + ": could not connect", VD_NO_CONNECTION, ExitStatusFor(VD_NO_CONNECTION));
    const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    Collected answer(size_t(cap), deadline);
    const bool sent = Exchange(payload, answer, deadline);
    VD_TCPDisconnect();
    if (!sent)
        return out.Fail(where + ": the data could not be sent", VD_NO_CONNECTION, ExitStatusFor(VD_NO_CONNECTION));

    const std::string &received = answer.Bytes();
    const JsonValue doc = JsonValue::object({{"host", host},
                                             {"port", port},
                                             {"sent", unsigned(payload.size())},
                                             {"received", unsigned(received.size())},
                                             {"cut", answer.Cut()},
                                             {"hex", HexText(received)},
                                             {"text", Printable(received)}});
    if (received.empty())
        return out.Fail(where + ": the device sent nothing within " + std::to_string(waitMs) + " ms", VD_FAIL,
                        ExitStatusFor(VD_NO_INFO), doc);
    out.Document(doc);
    if (out.Json()) return kExitOk;
    PrintDump(out, payload, received);
    const std::string raise = cap < VR_DATA_MAX_BYTES ? " (--max-bytes raises the cap, up to " +
                                                            std::to_string(VR_DATA_MAX_BYTES) + ")"
                                                      : "";
    if (answer.Cut())
        out.Note("vandrel data: the answer was cut at " + std::to_string(cap) + " bytes: the device sent more" +
                 raise);
    return kExitOk;
}

}  // namespace

std::vector<Command> ChannelCommands() {
    CommandDef io;
    io.name = "io";
    io.synopsis = "HOST ACTION...";
    io.summary = "read and set an IO module's lines over TCP";
    io.options = {{"--port", "N", "the module's TCP port (default 8800)"}};
    io.details =
        "Actions, carried out in order on one connection:\n"
        "  ad        read the two analogue inputs\n"
        "  state     read the two IO state bytes\n"
        "  dir=N     set the IO directions (0-255)\n"
        "  level=N   set the output levels (0-255)\n"
        "A read that gets no answer within half a second ends the command.\n\n"
        "example:\n  vandrel io 192.0.2.20 dir=15 level=5 state ad\n";
    io.minPositionals = 2;

    CommandDef data;
    data.name = "data";
    data.synopsis = "HOST [TEXT]";
    data.summary = "send raw bytes on a TCP data channel and print the answer";
    data.options = {{"--port", "N", "the device's TCP port (default 8800)"},
                    {"--hex", "BYTES", "send these bytes (\"AA 05 00 AF 0D\") instead of TEXT"},
                    {"--from", "FILE", "send the bytes of FILE ('-': standard input) instead of TEXT"},
                    {"--wait", "MS", "how long to wait for an answer (default 1000)"},
                    {"--max-bytes", "N",
                     "keep at most N bytes of the answer (default " + std::to_string(VR_DATA_BYTES) + ", at most " +
                         std::to_string(VR_DATA_MAX_BYTES) + ")"}};
    data.details =
        "Connects, sends TEXT (or the --hex bytes; nothing with neither) and prints\n"
        "what arrives until the device has been quiet for 200 ms or --wait ends,\n"
        "whatever the device sends. A device may send without end: at most\n"
        "--max-bytes of its answer are kept. An answer cut there is printed with a\n"
        "note on standard error (--json: \"cut\": true) and the exit status is 0.\n";
    data.minPositionals = 1;
    data.maxPositionals = 2;
    return {{io, RunIo}, {data, RunData}};
}

}  // namespace vdcli
