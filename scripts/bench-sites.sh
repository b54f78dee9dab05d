#!/bin/sh
# Benchmark: vandrel.fleet.apply run by ansible-playbook over SSH across two
# sites of simulated devices at once, against 'vandrel apply --jobs 16' of
# the same kind of changes run on each site host alone, side by side in one
# run. The playbook should take at most 1.3 times as long as the slower
# site alone. Runs in a lab of sites of its own (scripts/lab.sh sites-run);
# builds first.
#
#   sh scripts/bench-sites.sh [DEVICES]    (per site; default 100, at most 250)
. "$(dirname "$0")/help.sh"
set -e
cd "$(dirname "$0")/.."
DEVICES=${1:-100}
BUILD=${BUILD:-build}
if [ "${VANDREL_BENCH_INSIDE:-}" != 1 ]; then
  sh scripts/build.sh vandrel vandrel-rules vandrel-cli vandrel-sim vandrel-man >/dev/null
  VANDREL_BENCH_INSIDE=1 LAB=$PWD/scripts/lab.sh BUILD=$PWD/$BUILD SOURCE=$PWD \
    exec sh scripts/lab.sh sites-run 2 "$DEVICES" -- sh "$0" "$DEVICES"
fi

. tests/sites/lib.sh
stage
# Site I: DEVICES devices from 198.18.I.2 on, family A (type 5) and family B
# (type 48) by turns.
for i in 1 2; do
  awk -v i="$i" -v n="$DEVICES" 'BEGIN {
      for (d = 2; d < n + 2; d++)
          printf "%s 198.18.%d.%d type=%d password=admin\n", d % 2 ? "family-b" : "family-a", i, d, d % 2 ? 48 : 5
  }' > "$WORK/fleet.txt"
  start_site "$i" "$WORK/fleet.txt"
done
inventory 2

# Site I's plan file for a run: every device, by IP or MAC, from the fleet
# table the simulator printed, a new name and first port.
plan() {
  awk -v run="$2" -v port="$3" '$1 == "family-a" || $1 == "family-b" {
      n++
      printf "%s type=%s NAME=%s-%04d C1_PORT=%d\n", $1 == "family-a" ? $2 : $5, $6, run, n, port
  }' "$WORK/sim$1.log" > "$WORK/$2-$1.plan"
}

seconds() { awk -v s="$1" -v e="$(date +%s.%N)" 'BEGIN { printf "%.1f", e - s }'; }

alone() {
  plan "$1" alone 4101
  start=$(date +%s.%N)
  sh "$LAB" exec "$VANDREL_LAB" "host$1" "$STAGE/bin/vandrel" apply "$WORK/alone-$1.plan" --password admin \
    --jobs 16 > "$WORK/alone$1.out" 2>&1 || { tail "$WORK/alone$1.out"; echo "bench-sites: site $1 failed" >&2; exit 1; }
  seconds "$start"
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
site1=$(alone 1)
site2=$(alone 2)

# The playbook across the sites given as a limit, each site's plan for run
# RUN; prints its time.
fleet() {
  plan 1 "$2" "$3"
  plan 2 "$2" "$3"
  start=$(date +%s.%N)
  play 0 --limit "$1" <<PLAY
- hosts: sites
  gather_facts: false
  tasks:
    - vandrel.fleet.apply:
        plan_file: "$WORK/$2-{{ site }}.plan"
        password: admin
        jobs: 16
PLAY
  took=$(seconds "$start")
  ! grep -q "changed=0" "$WORK/out" || { echo "bench-sites: a site was not written" >&2; exit 1; }
  echo "$took"
}
one=$(fleet site1 one 4102)
both=$(fleet sites both 4103)
slower=$(echo "$site1 $site2" | awk '{ print ($1 > $2 ? $1 : $2) }')
printf '| %s | time |\n|---|---:|\n' "apply across $DEVICES devices a site"
printf '| vandrel apply --jobs 16, site 1 alone | %s s |\n' "$site1"
printf '| vandrel apply --jobs 16, site 2 alone | %s s |\n' "$site2"
echo "$one $site1" | awk '{ printf "| vandrel.fleet.apply over SSH, site 1 alone | %s s (%.2f times site 1 alone) |\n", $1, $1 / $2 }'
echo "$both $slower" | awk '{ printf "| vandrel.fleet.apply over SSH, both sites at once | %s s (%.2f times the slower site alone) |\n", $1, $1 / $2 }'
