#include "device.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <set>
#include <thread>

#include "codec/codec.h"
#include "interrupt.h"
#include "status.h"
#include "vandrel.h"
#include "vandrel_fleet.h"
#include "vandrel_rules.h"

namespace vdcli {

namespace {

const char *GroupName(vd::TypeGroup group) {
    for (const vd::TypeGroupName &g : vd::kTypeGroupNames)
        if (g.group == group) return g.name;
    return "";
}

const vd::FamilyAType *FindFamilyA(int type) { return type >= 0 && type <= 255 ? vd::FindFamilyAType(type) : nullptr; }
const vd::FamilyBModel *FindFamilyB(int type) { return type >= 0 && type <= 255 ? vd::FindFamilyBModel(type) : nullptr; }

std::string PortsText(int ports) { return std::to_string(ports) + (ports == 1 ? " port" : " ports"); }

}  // namespace

bool Matches(const FoundDevice &d, const Address &addr) { return addr.isMac ? d.mac == addr.text : d.ip == addr.text; }

Family FamilyOf(int type) {
    if (FindFamilyA(type)) return Family::A;
    return FindFamilyB(type) ? Family::B : Family::None;
}

std::string DescribeType(int type) {
    if (const vd::FamilyAType *t = FindFamilyA(type)) return std::to_string(type) + " (A, " + GroupName(t->group) + ")";
    if (const vd::FamilyBModel *m = FindFamilyB(type)) return std::to_string(type) + " (B, " + PortsText(m->Ports()) + ")";
    return std::to_string(type) + " (unknown)";
}

std::string TypeListHelp() {
    std::string familyA;
    for (const vd::TypeGroupName &g : vd::kTypeGroupNames) {
        familyA += familyA.empty() ? "" : ", ";
        for (const vd::FamilyAType &t : vd::kFamilyATypes)
            if (t.group == g.group) familyA += std::to_string(t.type) + " ";
        familyA += std::string("(") + g.name + ")";
    }
    std::vector<vd::FamilyBModel> models(std::begin(vd::kFamilyBModels), std::end(vd::kFamilyBModels));
    std::sort(models.begin(), models.end(), [](const auto &x, const auto &y) { return x.Ports() < y.Ports(); });
    std::string familyB;
    for (const vd::FamilyBModel &m : models)
        familyB += (familyB.empty() ? "" : ", ") + std::to_string(m.type) + " (" + PortsText(m.Ports()) + ")";
    return "device types:\n"
           "  family A, addressed by IP: " +
           familyA +
           "\n"
           "  family B, addressed by MAC: " +
           familyB +
           "\n"
           "  Without --type the device's type is taken from its answer to a search.\n";
}

// An address is read as the range of itself alone, so that the rules
// library's one reading of addresses serves both.
bool IsDottedQuad(const std::string &word) {
    return VR_AddressRange((word + "/32").c_str(), nullptr, nullptr, nullptr, 0) == 1;
}

bool ParseAddress(const std::string &word, Address &out) {
    if (IsDottedQuad(word)) {
        out = {false, word};
        return true;
    }
    if (word.size() != 17) return false;
    std::string mac;
    for (size_t i = 0; i < word.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(word[i]);
        if (i % 3 == 2) {
            if (c != ':' && c != '-') return false;
            mac += ':';
        } else {
            if (!std::isxdigit(c)) return false;
            mac += static_cast<char>(std::toupper(c));
        }
    }
    out = {true, mac};
    return true;
}

bool ParseHost(const std::string &word, const Printer &out, std::string &host, int &exitStatus) {
    if (!IsDottedQuad(word)) {
        exitStatus = out.Fail("'" + word + "' is not an IPv4 address", 0, kExitUsage);
        return false;
    }
    host = word;
    return true;
}

namespace {

// How soon Ctrl-C is seen while a search waits.
constexpr uint32_t kStopCheckMs = 50;

FoundDevice FoundOf(const char *ip, const char *version, const char *mac, uint8_t code1, uint8_t code2,
                    uint32_t port) {
    return {ip, version, mac, code1, code2, port};
}

}  // namespace

bool SearchAnswers::Drain(const Address *stopAt) {
    char ip[VD_IP_LEN] = "", version[VD_VERSION_LEN] = "", mac[VD_MAC_LEN] = "";
    uint8_t code1 = 0, code2 = 0;
    uint32_t port = 0;
    came = false;
    while (VD_GetSearchDev(ip, version, mac, &code1, &code2, &port) == VD_OK) {
        came = true;
        const FoundDevice d = FoundOf(ip, version, mac, code1, code2, port);
        const std::string key = d.ip + " " + d.version + " " + d.mac + " " + std::to_string(d.type) + " " +
                                std::to_string(d.code2) + " " + std::to_string(d.port);
        if (found.size() >= kMaxAnswers) {
            leftOut += m_seen.count(key) == 0;
            continue;
        }
        if (!m_seen.insert(key).second) continue;
        found.push_back(d);
        if (stopAt && Matches(d, *stopAt)) return true;
    }
    return false;
}

bool SearchAnswers::Await(std::chrono::steady_clock::time_point deadline, const Address *stopAt) {
    for (;;) {
        // Answers queue while the library does not look, and a queue that
        // overflows loses them: collect as they come, resting 1 ms only
        // when nothing came.
        if (Drain(stopAt)) return true;
        if (std::chrono::steady_clock::now() >= deadline || Interrupted()) return false;
        if (!came) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

std::vector<FoundDevice> SearchDevices(const std::string &addr, int waitMs, const Address *stopAt,
                                       SearchTally *tally) {
    std::vector<FoundDevice> found;
    if (tally) *tally = {};
    VF_Fleet *fleet = VF_Create(nullptr, nullptr);
    if (!fleet) return found;
    const VF_Op op = VF_Search(fleet, addr.c_str(), stopAt ? stopAt->text.c_str() : "", uint32_t(std::max(0, waitMs)));
    // Ctrl-C ends the wait: what answered so far is the result.
    while (VF_Wait(fleet, op, kStopCheckMs) == VF_PENDING && !Interrupted()) {
    }
    char ip[VD_IP_LEN] = "", version[VD_VERSION_LEN] = "", mac[VD_MAC_LEN] = "";
    uint8_t code1 = 0, code2 = 0;
    uint32_t port = 0;
    while (VF_TakeFound(fleet, op, ip, version, mac, &code1, &code2, &port) == VD_OK)
        found.push_back(FoundOf(ip, version, mac, code1, code2, port));
    char value[VD_VALUE_LEN] = "";
    if (tally && VF_GetValue(fleet, op, "REQUESTS", value) == VD_OK) tally->requests = std::atoi(value);
    if (tally && VF_GetValue(fleet, op, "LEFT_OUT", value) == VD_OK) tally->leftOut = size_t(std::atoll(value));
    VF_Destroy(fleet);
    return found;
}

bool ResolveTarget(const Args &args, const std::string &word, const Printer &out, Target &target, int &exitStatus) {
    if (!ParseAddress(word, target.addr)) {
        exitStatus = out.Fail("'" + word + "' is neither an IPv4 address nor a MAC address", 0, kExitUsage);
        return false;
    }
    FoundDevice found;
    if (!ResolveType(args, target.addr, out, target.type, exitStatus, &found)) return false;
    const bool familyB = FamilyOf(target.type) == Family::B;
    if (familyB == target.addr.isMac) return true;
    // The search that told the type also told the address to use instead.
    const std::string other = familyB ? found.mac : found.ip;
    const std::string use = other.empty() ? std::string(familyB ? "its MAC address" : "its IP address") : other;
    exitStatus = out.Fail(word + " is a family " + (familyB ? "B" : "A") + " device (type " +
                              std::to_string(target.type) + "), addressed by " + (familyB ? "MAC" : "IP") +
                              ": give " + use + " instead",
                          VD_WRONG_FAMILY, ExitStatusFor(VD_WRONG_FAMILY));
    return false;
}

int FailWrongFamily(const Printer &out, int type) {
    const char *how = FamilyOf(type) == Family::B ? "family B, addressed by MAC" : "family A, addressed by IP";
    return out.Fail(CodeMessage(VD_WRONG_FAMILY) + " (type " + std::to_string(type) + " is " + how + ")",
                    VD_WRONG_FAMILY, ExitStatusFor(VD_WRONG_FAMILY));
}

JsonValue FoundJson(const std::vector<FoundDevice> &found) {
    JsonValue list = JsonValue::array();
    for (const FoundDevice &d : found) {
        const char *family = FamilyOf(d.type) == Family::A ? "A" : FamilyOf(d.type) == Family::B ? "B" : "?";
        list.push_back(JsonValue::object({{"ip", d.ip},
                                          {"mac", d.mac},
                                          {"type", d.type},
                                          {"family", family},
                                          {"version", d.version},
                                          {"code2", d.code2},
                                          {"port", d.port}}));
    }
    return list;
}

JsonValue DeviceJson(const Target &t) {
    return JsonValue::object({{t.addr.isMac ? "mac" : "ip", t.addr.text}, {"type", t.type}});
}

bool ResolveType(const Args &args, const Address &addr, const Printer &out, int &type, int &exitStatus,
                 FoundDevice *found) {
    if (args.Has("--type")) {
        long long v = 0;
        if (!ParseNumber(args.Value("--type"), 0, 255, v) || FamilyOf(int(v)) == Family::None) {
            std::vector<std::string> lines = LinesOf(TypeListHelp());
            lines.insert(lines.begin(), "unknown device type '" + args.Value("--type") + "'");
            exitStatus = out.Fail(lines, 0, kExitUsage);
            return false;
        }
        type = int(v);
        return true;
    }
    // A family A device answers a search sent to its own address; a device
    // addressed by MAC can only be found among the answers to a broadcast.
    for (const FoundDevice &d : SearchDevices(addr.isMac ? "" : addr.text, kTypeSearchWaitMs, &addr))
        if (Matches(d, addr)) {
            type = d.type;
            if (found) *found = d;
            return true;
        }
    exitStatus = out.Fail(addr.text + " did not answer a search, so its type is unknown (pass --type)", VD_NO_INFO,
                          ExitStatusFor(VD_NO_INFO));
    return false;
}

}  // namespace vdcli
