#!/bin/sh
# Benchmark: fleets of simulated devices read and written through the fleet
# interface (vandrel_fleet.h, one process, every device at once) beside
# 'vandrel apply' with its default options (on the same interface, in its
# own process), in one run: for each size, the read of every device, then an apply
# that changes every device's name and first port as an apply does (every
# device read, then each written) and reads each back, then the same kind of
# plan by 'vandrel apply', its wall time, processor time and peak resident
# memory by /usr/bin/time, recording in a fleet database and, beside it,
# with --no-db (both left out with --no-apply). Runs in a
# private network namespace of its own; builds first.
# With --lossy, instead: a fleet on a lab link (scripts/lab.sh) with 10%
# loss each way, written at once RUNS times and read back each time: the
# eight devices of bench/fleet-lab.txt, or DEVICES of vandrel-sim
# --fleet-size given addresses of the lab's site; each run's time, how many
# were written, and how many hold the plan when read back.
#
#   sh scripts/bench-fleet.sh [--no-apply] [DEVICES...]  (default 200; each at most 2000)
#   sh scripts/bench-fleet.sh --lossy [RUNS [DEVICES]]      (default 10 runs)
. "$(dirname "$0")/help.sh"
set -e
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
if [ "${1:-}" = --lossy ]; then
  cmake --build "$BUILD" -j 2 --target vandrel-sim vandrel-fleet-bench >/dev/null
  exec sh scripts/lab.sh run 2 sh "$0" --lossy-inside "${2:-10}" "${3:-}"
fi
if [ "${1:-}" = --lossy-inside ]; then
  exec sh scripts/bench-fleet-lab.sh "$BUILD" "$2" "$3"
fi
APPLY=1
if [ "${1:-}" = --no-apply ]; then
  APPLY=0
  shift
fi
[ $# -gt 0 ] || set -- 200
if [ "${VANDREL_BENCH_INSIDE:-}" != 1 ]; then
  targets="vandrel-sim vandrel-fleet-bench"
  [ "$APPLY" = 1 ] && targets="$targets vandrel-cli"
  # shellcheck disable=SC2086
  cmake --build "$BUILD" -j 2 --target $targets >/dev/null
  VANDREL_BENCH_INSIDE=1 VANDREL_BENCH_APPLY=$APPLY exec scripts/in-netns.sh sh "$0" "$@"
fi

WORK=$(mktemp -d)
SIM_PID=""
trap '[ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null; rm -rf "$WORK"' EXIT

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

detail() { tail -1 "$WORK/out" | cut -d: -f2- | sed 's/^ //'; }

# 'vandrel apply' of plan PLAN as a row of the table: applied PLAN HOW env
# [NAME=VALUE...], the environment it runs in.
applied() {
  name=$1
  how=$2
  shift 2
  extra=""
  [ "$how" = --no-db ] && extra=--no-db
  # shellcheck disable=SC2086
  t=$(timed "$@" /usr/bin/time -v -o "$WORK/time" "$BUILD/bin/vandrel" apply "$WORK/$name.plan" --password admin $extra)
  usage=$(awk -F': ' '/User time/ { cpu += $2 } /System time/ { cpu += $2 } /Maximum resident/ { kb = $2 }
      END { printf "processor %.2f s, peak %.0f MiB", cpu, kb / 1024 }' "$WORK/time")
  echo "| $DEVICES | vandrel apply (default options), $how | $t | $(grep -c ' ok ' "$WORK/out" || true) written and read back; $usage |"
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo
echo "| devices | what | seconds | detail |"
echo "|---:|---|---:|---|"
for DEVICES in "$@"; do
  "$BUILD/bin/vandrel-sim" --fleet-size "$DEVICES" --quiet > "$WORK/sim.log" 2>&1 &
  SIM_PID=$!
  sh scripts/sim-ready.sh "$WORK/sim.log" "$SIM_PID" 60
  plan r 4100
  t=$(timed "$BUILD/bin/vandrel-fleet-bench" read "$WORK/r.plan")
  echo "| $DEVICES | fleet interface: read every device | $t | $(detail) |"
  plan f 4101
  t=$(timed "$BUILD/bin/vandrel-fleet-bench" apply "$WORK/f.plan" admin)
  echo "| $DEVICES | fleet interface: read, write and read back every device | $t | $(detail) |"
  if [ "$VANDREL_BENCH_APPLY" = 1 ]; then
    # With its fleet database, then without, so that the cost of recording
    # the inventory and the audit shows side by side.
    plan j 4102
    applied j "recording in its fleet database" env VANDREL_DB="$WORK/fleet.db"
    plan k 4103
    applied k --no-db env
  fi
  kill "$SIM_PID"
  wait "$SIM_PID" 2>/dev/null || true
  SIM_PID=""
done
