// A host of the fleet interface (vandrel_fleet.h) for scripts/bench-fleet.sh:
// reads every device of a plan at once; or applies the plan as an apply
// does (reads every device, then writes each) and reads every device back;
// and prints the time it took, how many came through, and its own
// processor time and peak resident memory.
//
//   vandrel-fleet-bench read PLAN
//   vandrel-fleet-bench apply PLAN PASSWORD
//
// Its figures are the process's own, the read back after an apply included
// in its processor time but not in its time.
//
// A plan line: ADDRESS type=T [KEY=VALUE]... (an IP for family A, a MAC for
// family B), as scripts/bench-apply.sh writes them.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "vandrel_fleet.h"

namespace {

struct Device {
    std::string address;
    int type = 0;
    std::vector<std::string> keys, values;
};

std::vector<Device> ReadPlan(const char *path) {
    std::vector<Device> plan;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        Device d;
        if (!(words >> d.address)) continue;
        for (std::string word; words >> word;) {
            const size_t eq = word.find('=');
            if (eq == std::string::npos) continue;
            if (word.compare(0, eq, "type") == 0) {
                d.type = std::stoi(word.substr(eq + 1));
            } else {
                d.keys.push_back(word.substr(0, eq));
                d.values.push_back(word.substr(eq + 1));
            }
        }
        plan.push_back(d);
    }
    return plan;
}

// Submits one operation per device, waits for all; how many gave VD_OK.
template <typename Submit>
size_t RunAll(VF_Fleet *fleet, const std::vector<Device> &plan, std::vector<VF_Op> &ops, Submit submit) {
    ops.clear();
    for (const Device &d : plan) ops.push_back(submit(d));
    size_t ok = 0;
    for (size_t i = 0; i < ops.size(); ++i) {
        const int32_t result = VF_Wait(fleet, ops[i], 60000);
        ok += result == VD_OK;
        if (result != VD_OK) std::fprintf(stderr, "%s: %d\n", plan[i].address.c_str(), int(result));
    }
    return ok;
}

// What the devices hold once read back: all of the plan's pairs, some but
// not all (half written), none; a write said to be done whose device does
// not hold the plan is a wrong result; a device whose read never came back
// is unread.
struct Tally {
    size_t holding = 0, half = 0, wrong = 0, unread = 0;
};

Tally Count(VF_Fleet *fleet, const std::vector<Device> &plan, const std::vector<VF_Op> &reads,
            const std::vector<VF_Op> &writes) {
    Tally t;
    for (size_t i = 0; i < plan.size(); ++i) {
        if (VF_Result(fleet, reads[i]) != VD_OK) {
            ++t.unread;
            continue;
        }
        size_t held = 0;
        char value[VD_VALUE_LEN];
        for (size_t k = 0; k < plan[i].keys.size(); ++k)
            held += VF_GetValue(fleet, reads[i], plan[i].keys[k].c_str(), value) == VD_OK && plan[i].values[k] == value;
        const bool all = held == plan[i].keys.size();
        t.holding += all;
        t.half += held > 0 && !all;
        t.wrong += !writes.empty() && VF_Result(fleet, writes[i]) == VD_OK && !all;
    }
    return t;
}

// Reads every device, and those whose read failed again, three times at
// most, so that a lossy wire leaves few unread.
size_t ReadBack(VF_Fleet *fleet, const std::vector<Device> &plan, std::vector<VF_Op> &reads) {
    RunAll(fleet, plan, reads, [&](const Device &d) { return VF_Read(fleet, d.address.c_str(), d.type, 10000); });
    std::vector<VF_Op> again;
    for (int pass = 0; pass < 3; ++pass)
        for (size_t i = 0; i < plan.size(); ++i) {
            if (VF_Result(fleet, reads[i]) == VD_OK) continue;
            VF_Release(fleet, reads[i]);
            reads[i] = VF_Read(fleet, plan[i].address.c_str(), plan[i].type, 10000);
            again.push_back(reads[i]);
            if (i + 1 == plan.size()) {
                for (VF_Op op : again) VF_Wait(fleet, op, 60000);
                again.clear();
            }
        }
    size_t ok = 0;
    for (VF_Op op : reads) ok += VF_Result(fleet, op) == VD_OK;
    return ok;
}

double Seconds(const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }

VF_Op WriteOf(VF_Fleet *fleet, const Device &d, const char *password) {
    std::vector<const char *> keys, values;
    for (size_t k = 0; k < d.keys.size(); ++k) {
        keys.push_back(d.keys[k].c_str());
        values.push_back(d.values[k].c_str());
    }
    return VF_Write(fleet, d.address.c_str(), d.type, password, keys.data(), values.data(), uint32_t(keys.size()),
                    10000);
}

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char **argv) {
    const std::string mode = argc > 2 ? argv[1] : "";
    if ((mode != "read" || argc != 3) && (mode != "apply" || argc != 4)) {
        std::fprintf(stderr, "usage: vandrel-fleet-bench read PLAN | apply PLAN PASSWORD\n");
        return 2;
    }
    const std::vector<Device> plan = ReadPlan(argv[2]);
    VF_Fleet *fleet = VF_Create(nullptr, nullptr);
    if (!fleet) return 1;
    const auto readAll = [&](const Device &d) { return VF_Read(fleet, d.address.c_str(), d.type, 10000); };
    const auto start = std::chrono::steady_clock::now();
    std::vector<VF_Op> writes, reads;
    size_t read = RunAll(fleet, plan, reads, readAll), written = 0;
    const double readTook = Since(start);
    if (mode == "apply")
        written = RunAll(fleet, plan, writes, [&](const Device &d) { return WriteOf(fleet, d, argv[3]); });
    const double applied = Since(start);
    if (mode == "apply") read = ReadBack(fleet, plan, reads);
    const Tally tally = Count(fleet, plan, reads, writes);
    VF_Destroy(fleet);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    if (mode == "apply")
        std::printf("apply %zu devices: %.2f s, %zu written; read back: %zu holding the plan, %zu half written, "
                    "%zu wrong, %zu unread; cpu %.2f s, peak %ld MiB\n",
                    plan.size(), applied, written, tally.holding, tally.half, tally.wrong, tally.unread, cpu,
                    usage.ru_maxrss / 1024);
    else
        std::printf("read %zu devices: %.2f s, %zu read; cpu %.2f s, peak %ld MiB\n", plan.size(), readTook, read,
                    cpu, usage.ru_maxrss / 1024);
    return read == plan.size() && (mode == "read" || tally.holding == plan.size()) ? 0 : 1;
}
