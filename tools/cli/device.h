// Device addresses and type codes as the commands take them, and the
// discovery helpers that several commands share.
#ifndef VANDREL_CLI_DEVICE_H
#define VANDREL_CLI_DEVICE_H

#include <chrono>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "args.h"
#include "output.h"

namespace vdcli {

enum class Family { A, B, None };

// Family and a short description of a type code ("serial", "CAN", "4 ports").
Family FamilyOf(int type);
std::string DescribeType(int type);  // "5 (A, serial)"; "200 (unknown)"
std::string TypeListHelp();

// An IPv4 address, or a MAC address normalised to the upper-case
// "XX:XX:XX:XX:XX:XX" form the library compares exactly ('-' separators and
// lower case are accepted).
struct Address {
    bool isMac = false;
    std::string text;
};
bool ParseAddress(const std::string &word, Address &out);

// Four decimal numbers of 0 to 255 joined by dots, without leading zeros.
bool IsDottedQuad(const std::string &word);

struct FoundDevice {
    std::string ip, version, mac;
    int type = 0, code2 = 0;
    uint32_t port = 0;
};

// Whether d is the device that addr names: by its MAC, or by its IP.
bool Matches(const FoundDevice &d, const Address &addr);

// The most answers a search keeps: twice the 65,536 devices of a crowd, and
// a bound on what devices that answer with ever new addresses can make the
// tool hold (some 300 bytes an answer).
constexpr size_t kMaxAnswers = 131072;

// The answers to searches, each distinct answer once (a device heard over two
// links answers twice, alike), kMaxAnswers at most.
class SearchAnswers {
public:
    std::vector<FoundDevice> found;
    bool came = false;    // whether the last Drain took any answer
    size_t leftOut = 0;   // answers that came once found was full

    // Takes every answer queued now; true once one matches stopAt.
    bool Drain(const Address *stopAt = nullptr);
    // Drains until the deadline, a match of stopAt (then true) or Ctrl-C.
    bool Await(std::chrono::steady_clock::time_point deadline, const Address *stopAt = nullptr);

private:
    std::set<std::string> m_seen;
};

// What a search tells besides its answers.
struct SearchTally {
    int requests = 0;    // search requests sent
    size_t leftOut = 0;  // answers that came past kMaxAnswers, not kept
};

// Searches on a fleet of the library (VF_Search): sends a search (broadcast
// when addr is empty), again every 250 ms while the wait lasts, and collects
// what answers within waitMs, each distinct answer once. With stopAt set,
// returns as soon as a matching device is in; after Ctrl-C
// (CatchInterrupt), with what has come in so far. tally, when given, gets
// the number of requests sent (0 after Ctrl-C: the search had not ended)
// and of answers left out.
std::vector<FoundDevice> SearchDevices(const std::string &addr, int waitMs, const Address *stopAt = nullptr,
                                       SearchTally *tally = nullptr);

// The devices a search found as 'search --json' lists them: ip, mac, type,
// family, version, code2, port.
JsonValue FoundJson(const std::vector<FoundDevice> &found);

constexpr int kTypeSearchWaitMs = 600;

// The type code of --type, or, without it, the type the device gives in a
// search reply. On failure reports through out and returns false with the
// exit status in exitStatus. found, when given, gets the search's answer
// (left alone with --type).
bool ResolveType(const Args &args, const Address &addr, const Printer &out, int &type, int &exitStatus,
                 FoundDevice *found = nullptr);

struct Target {
    Address addr;
    int type = 0;
};

// The device named by word, with its type (ResolveType): family A by its IP,
// family B by its MAC (the other address names the one to give instead). On
// failure reports and returns false with the exit status in exitStatus.
bool ResolveTarget(const Args &args, const std::string &word, const Printer &out, Target &target, int &exitStatus);

// Reports 101 with a hint on how the type's family is addressed.
int FailWrongFamily(const Printer &out, int type);

// How a JSON document names the device: {"ip" or "mac": its address,
// "type": its type code}.
JsonValue DeviceJson(const Target &t);

// Reads an IPv4 address; false with a report when it is not one.
bool ParseHost(const std::string &word, const Printer &out, std::string &host, int &exitStatus);

}  // namespace vdcli

#endif
