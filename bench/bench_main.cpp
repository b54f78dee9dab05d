// The benchmark program: runs the registered benchmarks and prints one
// markdown table row per benchmark (bench.sh prints the header).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "table.h"

namespace vdbench {

bool g_quick = false;

void Report(benchmark::State &state, double measured, double reference, const std::string &units,
            const std::string &against) {
    state.counters["measured"] = measured;
    state.counters["reference"] = reference;
    state.SetLabel(units + "|" + against);
}

namespace {

class TableReporter : public benchmark::BenchmarkReporter {
public:
    bool failed = false;
    bool ReportContext(const Context &) override { return true; }
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs) {
            if (run.error_occurred) {
                failed = true;
                std::printf("| %s | failed: %s | | |\n", run.benchmark_name().c_str(), run.error_message.c_str());
                continue;
            }
            const auto measured = run.counters.find("measured");
            const auto reference = run.counters.find("reference");
            if (measured == run.counters.end() || reference == run.counters.end()) continue;
            const std::string &label = run.report_label;
            const size_t bar = label.find('|');
            const std::string units = label.substr(0, bar);
            const std::string against = bar == std::string::npos ? "" : label.substr(bar + 1);
            const double m = measured->second.value, r = reference->second.value;
            // The name without the "/iterations:1/real_time" the library adds.
            std::string name = run.benchmark_name();
            name = name.substr(0, name.find("/iterations:"));
            if (r > 0)
                std::printf("| %s | %.4g %s | %.4g %s (%s) | %.3f |\n", name.c_str(), m, units.c_str(), r,
                            units.c_str(), against.c_str(), m / r);
            else
                std::printf("| %s | %.4g %s | %s | |\n", name.c_str(), m, units.c_str(), against.c_str());
            std::fflush(stdout);
        }
    }
};

}  // namespace
}  // namespace vdbench

int main(int argc, char **argv) {
    std::vector<char *> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0)
            vdbench::g_quick = true;
        else
            args.push_back(argv[i]);
    }
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    vdbench::TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.failed ? 1 : 0;
}
