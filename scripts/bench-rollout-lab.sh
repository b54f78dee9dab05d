#!/bin/sh
# The lossy runs of scripts/bench-rollout.sh --lossy, which runs this in the
# host of a lab of scripts/lab.sh (VANDREL_LAB names it), 10% of what
# crosses link 1 lost each way. Without DEVICES: eight family A devices of
# site 1, a fresh fleet rolled out RUNS times (canary 1). With DEVICES: one
# run, the family A devices of vandrel-sim --fleet-size moved into the site
# (scripts/lab-fleet.sh), one device rolled out alone, then DEVICES others
# (canary 5, then waves); each time, its outcome and the downloads the devices logged.
#
#   sh scripts/bench-rollout-lab.sh BUILD RUNS [DEVICES]
. "$(dirname "$0")/help.sh"
set -e
cd "$(dirname "$0")/.."
BUILD=$1
RUNS=$2
DEVICES=${3:-}
WORK=$(mktemp -d)
site() { sh scripts/lab.sh exec "$VANDREL_LAB" site1 "$@"; }
start_fleet() {
  site sh -c "'$BUILD/bin/vandrel-sim' --fleet '$WORK/fleet' > '$WORK/sim.log' 2>&1 & echo \$! > '$WORK/sim.pid'"
  sh scripts/sim-ready.sh "$WORK/sim.log" "$(cat "$WORK/sim.pid")" 120
}
# Rolls the image out to the devices of plan $1 and prints what it took.
rollout() {
  start=$(date +%s.%N)
  plan=$1
  shift
  "$BUILD/bin/vandrel" firmware rollout "$WORK/app.bin" --expect-version 1.06 --plan "$plan" \
    --db "$WORK/run.db" "$@" > "$WORK/out" 2>&1 || true
  end=$(date +%s.%N)
  what=$(grep -E '^[0-9]+ updated, ' "$WORK/out" || tail -1 "$WORK/out")
  echo "$start $end" | awk -v what="$what" '{ printf "%.1f s, %s", $2 - $1, what }'
}
downloads() { grep -c downloaded "$WORK/sim.log" || true; }
{ echo "APP VERSION=1.06"; head -c 65519 /dev/zero | tr '\0' 'x'; } > "$WORK/app.bin"
trap 'site kill "$(cat "$WORK/sim.pid" 2>/dev/null)" 2>/dev/null; rm -rf "$WORK"' EXIT
if [ -z "$DEVICES" ]; then
  for n in 2 3 4 5 6 7 8 9; do echo "family-a 198.18.1.$n type=5 restart-ms=2000"; done > "$WORK/fleet"
  # A plan, not a search of the range, which asks each address once.
  for n in 2 3 4 5 6 7 8 9; do echo "198.18.1.$n type=5"; done > "$WORK/plan"
  sh scripts/lab.sh fault "$VANDREL_LAB" 1 loss=10
  for run in $(seq "$RUNS"); do
    start_fleet
    rm -f "$WORK/run.db"
    echo "run $run: $(rollout "$WORK/plan"), $(downloads) downloads"
    site kill "$(cat "$WORK/sim.pid")"
  done
  exit 0
fi
# Family A and B by turns: the family A devices alone, DEVICES + 1 of them.
sh scripts/lab-fleet.sh "$BUILD" $((DEVICES * 2 + 2)) | awk '$1 == "family-a"' > "$WORK/fleet"
awk 'NR == 1 { split($3, t, "="); print $2 " type=" t[2] }' "$WORK/fleet" > "$WORK/one.plan"
awk 'NR > 1 { split($3, t, "="); print $2 " type=" t[2] }' "$WORK/fleet" > "$WORK/plan"
start_fleet
sh scripts/lab.sh fault "$VANDREL_LAB" 1 loss=10
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), load $(cut -d' ' -f1 /proc/loadavg)"
echo "one device at 10% loss: $(rollout "$WORK/one.plan")"
rm -f "$WORK/run.db"
echo "$(wc -l < "$WORK/plan") devices at 10% loss, canary 5, then waves: $(rollout "$WORK/plan" --canary 5 --restart-wait 120)"
echo "downloads the devices logged: $(downloads) ($(wc -l < "$WORK/fleet") devices)"
