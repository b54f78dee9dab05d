#!/bin/sh
# The lossy runs of scripts/bench-fleet.sh --lossy, which runs this in the
# host of a lab of scripts/lab.sh (VANDREL_LAB names it): a fleet in site 1
# (the eight devices of bench/fleet-lab.txt, or DEVICES of vandrel-sim
# --fleet-size moved there by scripts/lab-fleet.sh), 10% of what crosses the
# link lost each way, and RUNS applies of a plan changing every device, each
# read back.
#
#   sh scripts/bench-fleet-lab.sh BUILD RUNS [DEVICES]
. "$(dirname "$0")/help.sh"
set -e
cd "$(dirname "$0")/.."
BUILD=$1
RUNS=$2
DEVICES=${3:-}
WORK=$(mktemp -d)
site() { sh scripts/lab.sh exec "$VANDREL_LAB" site1 "$@"; }
FLEET=bench/fleet-lab.txt
if [ -n "$DEVICES" ]; then
  FLEET=$WORK/fleet
  sh scripts/lab-fleet.sh "$BUILD" "$DEVICES" > "$FLEET"
fi
site sh -c "'$BUILD/bin/vandrel-sim' --quiet --fleet '$FLEET' > '$WORK/sim.log' 2>&1 & echo \$! > '$WORK/sim.pid'"
trap 'site kill "$(cat "$WORK/sim.pid")"; rm -rf "$WORK"' EXIT
sh scripts/sim-ready.sh "$WORK/sim.log" "$(cat "$WORK/sim.pid")" 120
sh scripts/lab.sh fault "$VANDREL_LAB" 1 loss=10
for run in $(seq "$RUNS"); do
  awk -v run="$run" '$1 == "family-a" || $1 == "family-b" {
      n++
      printf "%s type=%s NAME=run%d-%d C1_PORT=%d\n", $1 == "family-a" ? $2 : $5, $6, run, n, 4100 + run
  }' "$WORK/sim.log" > "$WORK/plan"
  "$BUILD/bin/vandrel-fleet-bench" apply "$WORK/plan" admin 2> "$WORK/err" | tail -1 || true
  echo "  operations that did not end in success, by result: $(awk '{ print $2 }' "$WORK/err" | sort | uniq -c | tr -s " \n" " ")"
done
