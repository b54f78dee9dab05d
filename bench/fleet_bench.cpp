// A host of the fleet interface (vandrel_fleet.h) for scripts/bench-fleet.sh:
// reads, or writes and reads back, every device of a plan at once, and
// prints the time it took, how many came through, and its own processor
// time and peak resident memory.
//
//   vandrel-fleet-bench read PLAN
//   vandrel-fleet-bench apply PLAN PASSWORD
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

// The plan's values are what every device now holds.
size_t Holding(VF_Fleet *fleet, const std::vector<Device> &plan, const std::vector<VF_Op> &reads) {
    size_t holding = 0;
    for (size_t i = 0; i < plan.size(); ++i) {
        bool all = VF_Result(fleet, reads[i]) == VD_OK;
        char value[VD_VALUE_LEN];
        for (size_t k = 0; all && k < plan[i].keys.size(); ++k)
            all = VF_GetValue(fleet, reads[i], plan[i].keys[k].c_str(), value) == VD_OK && plan[i].values[k] == value;
        holding += all;
    }
    return holding;
}

double Seconds(const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }

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
    const auto start = std::chrono::steady_clock::now();
    std::vector<VF_Op> writes, reads;
    size_t written = 0;
    if (mode == "apply") {
        written = RunAll(fleet, plan, writes, [&](const Device &d) {
            std::vector<const char *> keys, values;
            for (size_t k = 0; k < d.keys.size(); ++k) {
                keys.push_back(d.keys[k].c_str());
                values.push_back(d.values[k].c_str());
            }
            return VF_Write(fleet, d.address.c_str(), d.type, argv[3], keys.data(), values.data(),
                            uint32_t(keys.size()), 10000);
        });
    }
    const size_t read = RunAll(fleet, plan, reads, [&](const Device &d) {
        return VF_Read(fleet, d.address.c_str(), d.type, 10000);
    });
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const size_t holding = Holding(fleet, plan, reads);
    VF_Destroy(fleet);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    if (mode == "apply")
        std::printf("apply %zu devices: %.2f s, %zu written, %zu read back holding the plan; cpu %.2f s, peak %ld MiB\n",
                    plan.size(), took, written, holding, cpu, usage.ru_maxrss / 1024);
    else
        std::printf("read %zu devices: %.2f s, %zu read; cpu %.2f s, peak %ld MiB\n", plan.size(), took, read, cpu,
                    usage.ru_maxrss / 1024);
    return read == plan.size() && (mode == "read" || holding == plan.size()) ? 0 : 1;
}
