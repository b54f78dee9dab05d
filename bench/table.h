// The benchmark's table: every benchmark reports what it measured, the
// reference it is held against (a floor the protocol's own pauses set, or a
// plain-socket loop measured side by side in the same run) and the units, and
// the reporter prints one row for each.
#ifndef VANDREL_BENCH_TABLE_H
#define VANDREL_BENCH_TABLE_H

#include <benchmark/benchmark.h>

#include <string>

namespace vdbench {

// Set by --quick: fewer rounds and smaller transfers, so that CI can run
// every benchmark in well under a minute.
extern bool g_quick;

// One row: measured against reference (0: none), in units, with a word on
// what the reference is.
void Report(benchmark::State &state, double measured, double reference, const std::string &units,
            const std::string &against);

}  // namespace vdbench

#endif
