#!/bin/sh
# Benchmark: the time of one 'vandrel apply' (check, write, read back) across
# a fleet of simulated devices, served one at a time (--jobs 1) and sixteen at
# a time (--jobs 16), side by side in one run. Runs in a private network
# namespace of its own; builds first.
#
#   sh scripts/bench-apply.sh [DEVICES]    (default 200)
. "$(dirname "$0")/help.sh"
set -e
cd "$(dirname "$0")/.."
DEVICES=${1:-200}
BUILD=${BUILD:-build}
if [ "${VANDREL_BENCH_INSIDE:-}" != 1 ]; then
  sh scripts/build.sh vandrel-cli vandrel-sim >/dev/null
  VANDREL_BENCH_INSIDE=1 exec scripts/in-netns.sh sh "$0" "$DEVICES"
fi

WORK=$(mktemp -d)
SIM_PID=""
trap '[ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null; rm -rf "$WORK"' EXIT
"$BUILD/bin/vandrel-sim" --fleet-size "$DEVICES" --quiet > "$WORK/sim.log" 2>&1 &
SIM_PID=$!
sh scripts/sim-ready.sh "$WORK/sim.log" "$SIM_PID"

# One plan per run, each changing every device: its name and its first
# port's number. Types and addresses come from the fleet table, so the
# plan needs no search.
plan() {
  awk -v run="$1" -v port="$2" '$1 == "family-a" || $1 == "family-b" {
      n++
      addr = $1 == "family-a" ? $2 : $5
      printf "%s type=%s NAME=%s-%04d C1_PORT=%d\n", addr, $6, run, n, port
  }' "$WORK/sim.log" > "$WORK/$1.plan"
}

run() {
  plan "$1" "$3"
  start=$(date +%s.%N)
  "$BUILD/bin/vandrel" apply "$WORK/$1.plan" --password admin --jobs "$2" > "$WORK/$1.out" 2>&1 ||
    { tail -20 "$WORK/$1.out"; echo "bench-apply: the apply with --jobs $2 failed" >&2; exit 1; }
  end=$(date +%s.%N)
  ok=$(grep -c " ok " "$WORK/$1.out" || true)
  echo "$start $end" | awk -v jobs="$2" -v ok="$ok" -v n="$DEVICES" \
    '{ printf "apply across %d devices, --jobs %-2d %8.1f s  (%d written and read back)\n", n, jobs, $2 - $1, ok }'
  echo "$start $end" | awk '{ print $2 - $1 }' > "$WORK/$1.time"
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
run a 1 4101
run b 16 4102
paste "$WORK/a.time" "$WORK/b.time" | awk '{ printf "--jobs 16 is %.1f times as fast as --jobs 1\n", $1 / $2 }'
