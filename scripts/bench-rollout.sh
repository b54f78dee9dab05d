#!/bin/sh
# Benchmark: a firmware rollout across the family A devices of a simulated
# fleet (vandrel-sim --fleet-size, whose devices take 2 s to restart), a
# canary of 5 then waves twice the size of the last, beside the rollout of
# one device alone, in one run; each device gets a 64 KiB image (128
# chunks), is restarted and its version read back. Runs in a private
# network namespace of its own; builds first.
# With --lossy, instead: on a lab link (scripts/lab.sh) with 10% loss each
# way, eight family A devices, a fresh fleet rolled out RUNS times (canary
# 1); or, given DEVICES, one device alone and then DEVICES others (canary 5,
# then waves), once (scripts/bench-rollout-lab.sh).
#
#   sh scripts/bench-rollout.sh [DEVICES]   (family A devices, default 500, at most 1000)
#   sh scripts/bench-rollout.sh --lossy [RUNS [DEVICES]]  (default 10 runs of eight devices)
. "$(dirname "$0")/help.sh"
set -e
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
if [ "${1:-}" = --lossy ]; then
  cmake --build "$BUILD" -j 2 --target vandrel-cli vandrel-sim >/dev/null
  exec sh scripts/lab.sh run 2 sh "$0" --lossy-inside "${2:-10}" "${3:-}"
fi
if [ "${1:-}" = --lossy-inside ]; then
  exec sh scripts/bench-rollout-lab.sh "$BUILD" "$2" "$3"
fi
DEVICES=${1:-500}
if [ "${VANDREL_BENCH_INSIDE:-}" != 1 ]; then
  cmake --build "$BUILD" -j 2 --target vandrel-cli vandrel-sim >/dev/null
  VANDREL_BENCH_INSIDE=1 exec scripts/in-netns.sh sh "$0" "$DEVICES"
fi

WORK=$(mktemp -d)
SIM_PID=""
trap '[ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null; rm -rf "$WORK"' EXIT
"$BUILD/bin/vandrel-sim" --fleet-size $((DEVICES * 2)) > "$WORK/sim.log" 2>&1 &
SIM_PID=$!
sh scripts/sim-ready.sh "$WORK/sim.log" "$SIM_PID"
{ echo "APP VERSION=1.06"; head -c 65519 /dev/zero | tr '\0' 'x'; } > "$WORK/app.bin"
echo 127.1.0.1 > "$WORK/one.plan"

# Runs a rollout, its output in $WORK/out, and prints the seconds it took.
timed() {
  start=$(date +%s.%N)
  "$BUILD/bin/vandrel" firmware rollout "$WORK/app.bin" --expect-version 1.06 "$@" > "$WORK/out" 2>&1 ||
    echo "bench-rollout: the rollout failed: $(tail -1 "$WORK/out")" >&2
  end=$(date +%s.%N)
  echo "$start $end" | awk '{ printf "%.1f", $2 - $1 }'
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), load $(cut -d' ' -f1 /proc/loadavg)"
echo
echo "| rollout of a 64 KiB image | seconds | devices |"
echo "|---|---:|---|"
t=$(timed --plan "$WORK/one.plan" --db "$WORK/one.db")
echo "| one device | $t | $(tail -1 "$WORK/out") |"
t=$(timed --range 127.1.0.0/21 --canary 5 --restart-wait 120 --db "$WORK/all.db")
echo "| $DEVICES devices, canary 5, then waves | $t | $(tail -1 "$WORK/out") |"
echo "| downloads in the simulator's log | | $(grep -c downloaded "$WORK/sim.log" || true) |"
