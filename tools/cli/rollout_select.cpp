#include "rollout_select.h"

#include <algorithm>

#include "device.h"
#include "input_file.h"
#include "plan.h"
#include "rollout_rules.h"
#include "search_range.h"
#include "status.h"

namespace vdcli {

namespace {

constexpr int kSearchWaitMs = 2000;
constexpr int kOneDeviceWaitMs = 1000;

RolloutCandidate CandidateOf(const FoundDevice &d) {
    RolloutCandidate c{d.ip, d.mac, d.type, -1};
    if (!ParseVersion(d.version, c.version)) c.version = -1;
    return c;
}

// The plan's devices: each named one asked alone (one that does not answer
// is kept, to be tried when it is back), each type by a search.
bool PlanDevices(const std::string &path, const Printer &out, std::vector<RolloutCandidate> &chosen, int &status) {
    std::string text, error;
    Plan plan;
    if (!ReadInput(path, "plan", text, error) || !ParsePlan(text, plan, error)) {
        status = out.Fail(path + ": " + error, 0, kExitUsage);
        return false;
    }
    std::vector<FoundDevice> all;
    for (const PlanEntry &e : plan.entries) {
        if (e.hasAddress && e.addr.isMac) {
            status = out.Fail(path + ": " + e.where + ": firmware is for family A devices, named by IP", 0, kExitUsage);
            return false;
        }
        if (!e.hasAddress) {
            if (all.empty()) all = SearchDevices("", kSearchWaitMs);
            for (const FoundDevice &d : all)
                if (d.type == e.type) chosen.push_back(CandidateOf(d));
            continue;
        }
        const std::vector<FoundDevice> found = SearchDevices(e.addr.text, kOneDeviceWaitMs, &e.addr);
        RolloutCandidate c = found.empty() ? RolloutCandidate{e.addr.text, "", e.type, -1} : CandidateOf(found[0]);
        if (e.type != 0) c.type = e.type;
        chosen.push_back(c);
    }
    return true;
}

uint32_t Numeric(const std::string &ip) {
    unsigned a = 0, b = 0, c = 0, d = 0;
    std::sscanf(ip.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d);
    return a << 24 | b << 16 | c << 8 | d;
}

}  // namespace

bool SelectDevices(const Args &args, const Printer &out, std::vector<RolloutCandidate> &chosen, int &status) {
    long long type = 0;
    int version = -1;
    if (args.Has("--type") && !ParseNumber(args.Value("--type"), 1, 255, type))
        return (status = out.Fail("--type takes a type code, 1 to 255", 0, kExitUsage)), false;
    if (args.Has("--version") && !ParseVersion(args.Value("--version"), version))
        return (status = out.Fail("--version takes a version such as 1.05", 0, kExitUsage)), false;
    std::vector<RolloutCandidate> all;
    if (args.Has("--plan")) {
        if (!PlanDevices(args.Value("--plan"), out, all, status)) return false;
    } else if (args.Has("--range")) {
        AddressRange range;
        std::string error;
        if (!ParseRange(args.Value("--range"), range, error)) return (status = out.Fail(error, 0, kExitUsage)), false;
        for (const FoundDevice &d : SearchRange(range, kOneDeviceWaitMs)) all.push_back(CandidateOf(d));
    } else {
        for (const FoundDevice &d : SearchDevices("", kSearchWaitMs)) all.push_back(CandidateOf(d));
    }
    for (const RolloutCandidate &c : all) {
        const bool known = std::any_of(chosen.begin(), chosen.end(), [&](const auto &k) { return k.ip == c.ip; });
        if (known || FamilyOf(c.type) != Family::A || (type != 0 && c.type != type)) continue;
        if (version >= 0 && c.version != version) continue;
        chosen.push_back(c);
    }
    std::sort(chosen.begin(), chosen.end(), [](const auto &x, const auto &y) { return Numeric(x.ip) < Numeric(y.ip); });
    return true;
}

}  // namespace vdcli
