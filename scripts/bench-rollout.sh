#!/bin/sh
# Benchmark: a firmware rollout across the family A devices of a simulated
# fleet (vandrel-sim --fleet-size, whose devices take 2 s to restart), a
# canary of 5 then waves twice the size of the last, beside the rollout of
# one device alone, in one run; each device gets a 64 KiB image (128
# chunks), is restarted and its version read back. Runs in a private
# network namespace of its own; builds first.
# With --lossy, instead: eight family A devices on a lab link
# (scripts/lab.sh) with 10% loss each way, a fresh fleet rolled out RUNS
# times (canary 1); each run's time and outcome.
#
#   sh scripts/bench-rollout.sh [DEVICES]   (family A devices, default 500, at most 1000)
#   sh scripts/bench-rollout.sh --lossy [RUNS]  (default 10)
. "$(dirname "$0")/help.sh"
set -e
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
if [ "${1:-}" = --lossy ]; then
  cmake --build "$BUILD" -j 2 --target vandrel-cli vandrel-sim >/dev/null
  exec sh scripts/lab.sh run 2 sh "$0" --lossy-inside "${2:-10}"
fi
if [ "${1:-}" = --lossy-inside ]; then
  WORK=$(mktemp -d)
  trap 'rm -rf "$WORK"' EXIT
  for n in 2 3 4 5 6 7 8 9; do echo "family-a 198.18.1.$n type=5 restart-ms=2000"; done > "$WORK/fleet"
  # A plan, not a search of the range, which asks each address once.
  for n in 2 3 4 5 6 7 8 9; do echo "198.18.1.$n type=5"; done > "$WORK/plan"
  { echo "APP VERSION=1.06"; head -c 65519 /dev/zero | tr '\0' 'x'; } > "$WORK/app.bin"
  sh scripts/lab.sh fault "$VANDREL_LAB" 1 loss=10
  for run in $(seq "$2"); do
    sh scripts/lab.sh exec "$VANDREL_LAB" site1 sh -c \
      "'$BUILD/bin/vandrel-sim' --fleet '$WORK/fleet' > '$WORK/sim.log' 2>&1 & echo \$! > '$WORK/sim.pid'"
    sh scripts/sim-ready.sh "$WORK/sim.log" "$(cat "$WORK/sim.pid")"
    start=$(date +%s.%N)
    "$BUILD/bin/vandrel" firmware rollout "$WORK/app.bin" --expect-version 1.06 --plan "$WORK/plan" \
      --db "$WORK/run$run.db" > "$WORK/out" 2>&1 || true
    end=$(date +%s.%N)
    sh scripts/lab.sh exec "$VANDREL_LAB" site1 kill "$(cat "$WORK/sim.pid")"
    echo "$start $end" | awk -v run="$run" -v what="$(tail -1 "$WORK/out")" \
      -v got="$(grep -c downloaded "$WORK/sim.log" || true)" \
      '{ printf "run %d: %.1f s, %s, %d downloads\n", run, $2 - $1, what, got }'
  done
  exit 0
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
