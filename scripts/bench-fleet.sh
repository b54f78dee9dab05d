#!/bin/sh
# Benchmark: a fleet of simulated devices read and written through the fleet
# interface (vandrel_fleet.h, one process, every device at once) beside
# today's 'vandrel apply --jobs 16' (a process per device, sixteen at a
# time), in one run: the read of every device, then an apply that changes
# every device's name and first port and reads each back. Runs in a private
# network namespace of its own; builds first.
# With --lossy, instead: the eight devices of bench/fleet-lab.txt on a lab
# link (scripts/lab.sh) with 10% loss each way, written at once RUNS times;
# each run's time and how many devices were written and hold the plan.
#
#   sh scripts/bench-fleet.sh [DEVICES]       (default 200, at most 2000)
#   sh scripts/bench-fleet.sh --lossy [RUNS]  (default 10)
. "$(dirname "$0")/help.sh"
set -e
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
if [ "${1:-}" = --lossy ]; then
  RUNS=${2:-10}
  cmake --build "$BUILD" -j 2 --target vandrel-sim vandrel-fleet-bench >/dev/null
  exec sh scripts/lab.sh run 2 sh "$0" --lossy-inside "$RUNS"
fi
if [ "${1:-}" = --lossy-inside ]; then
  WORK=$(mktemp -d)
  sh scripts/lab.sh exec "$VANDREL_LAB" site1 sh -c \
    "'$BUILD/bin/vandrel-sim' --quiet --fleet bench/fleet-lab.txt > '$WORK/sim.log' 2>&1 & echo \$! > '$WORK/sim.pid'"
  trap 'sh scripts/lab.sh exec "$VANDREL_LAB" site1 kill "$(cat "$WORK/sim.pid")"; rm -rf "$WORK"' EXIT
  sh scripts/sim-ready.sh "$WORK/sim.log" "$(cat "$WORK/sim.pid")"
  sh scripts/lab.sh fault "$VANDREL_LAB" 1 loss=10
  for run in $(seq "$2"); do
    awk -v run="$run" '$1 == "family-a" || $1 == "family-b" {
        n++
        printf "%s type=%s NAME=run%d-%d C1_PORT=%d\n", $1 == "family-a" ? $2 : $5, $6, run, n, 4000 + run
    }' "$WORK/sim.log" > "$WORK/plan"
    "$BUILD/bin/vandrel-fleet-bench" apply "$WORK/plan" admin 2>&1 | tail -1 || true
  done
  exit 0
fi
DEVICES=${1:-200}
if [ "${VANDREL_BENCH_INSIDE:-}" != 1 ]; then
  cmake --build "$BUILD" -j 2 --target vandrel-cli vandrel-sim vandrel-fleet-bench >/dev/null
  VANDREL_BENCH_INSIDE=1 exec scripts/in-netns.sh sh "$0" "$DEVICES"
fi

WORK=$(mktemp -d)
SIM_PID=""
trap '[ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null; rm -rf "$WORK"' EXIT
"$BUILD/bin/vandrel-sim" --fleet-size "$DEVICES" --quiet > "$WORK/sim.log" 2>&1 &
SIM_PID=$!
sh scripts/sim-ready.sh "$WORK/sim.log" "$SIM_PID"

# One plan per run, each changing every device: its name and its first
# port's number; addresses and types come from the fleet table.
plan() {
  awk -v run="$1" -v port="$2" '$1 == "family-a" || $1 == "family-b" {
      n++
      addr = $1 == "family-a" ? $2 : $5
      printf "%s type=%s NAME=%s-%04d C1_PORT=%d\n", addr, $6, run, n, port
  }' "$WORK/sim.log" > "$WORK/$1.plan"
}

# Runs a command, its output in $WORK/out, and prints the seconds it took;
# one that fails is noted on the standard error, and its counts still shown.
timed() {
  start=$(date +%s.%N)
  "$@" > "$WORK/out" 2> "$WORK/err" || echo "bench-fleet: $* failed for $(wc -l < "$WORK/err") devices" >&2
  end=$(date +%s.%N)
  echo "$start $end" | awk '{ printf "%.1f", $2 - $1 }'
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo
echo "| $DEVICES devices | seconds | detail |"
echo "|---|---:|---|"
plan r 4100
t=$(timed "$BUILD/bin/vandrel-fleet-bench" read "$WORK/r.plan")
echo "| fleet interface: read every device | $t | $(tail -1 "$WORK/out" | cut -d: -f2- | sed 's/^ //') |"
plan f 4101
t=$(timed "$BUILD/bin/vandrel-fleet-bench" apply "$WORK/f.plan" admin)
echo "| fleet interface: write and read back every device | $t | $(tail -1 "$WORK/out" | cut -d: -f2- | sed 's/^ //') |"
plan j 4102
t=$(timed "$BUILD/bin/vandrel" apply "$WORK/j.plan" --password admin --jobs 16)
echo "| vandrel apply --jobs 16 | $t | $(grep -c ' ok ' "$WORK/out" || true) written and read back |"
