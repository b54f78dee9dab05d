#!/bin/sh
# Benchmark: a search answered by a crowd of N simulated devices at once
# (vandrel-sim --crowd N), for N = 250, 1,000, 4,000 and 16,000. For each N it
# prints how many devices a host lists that sleeps 1 s before collecting (as
# root, and without the privilege to pass net.core.rmem_max), how many
# 'vandrel search' lists, and what collecting costs the sleeping host per
# device. Runs in a private network namespace of its own; builds first.
#
#   sh scripts/bench-crowd.sh [N...]       a table of its own
#   sh scripts/bench-crowd.sh --rows [N...] rows of scripts/bench.sh's table
. "$(dirname "$0")/help.sh"
set -e
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
if [ "${VANDREL_BENCH_INSIDE:-}" != 1 ]; then
  sh scripts/build.sh vandrel-cli vandrel-sim crowd-host >/dev/null
  VANDREL_BENCH_INSIDE=1 exec scripts/in-netns.sh sh "$0" "$@"
fi
ROWS=0
[ "${1:-}" = "--rows" ] && ROWS=1 && shift
[ $# -gt 0 ] || set -- 250 1000 4000 16000

WORK=$(mktemp -d)
SIM_PID=""
trap '[ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null; rm -rf "$WORK"' EXIT

# Without CAP_NET_ADMIN a receive buffer stops at net.core.rmem_max.
user() { setpriv --bounding-set -net_admin "$@"; }
row() { printf '%7s  %12s  %12s  %14s  %14s  %10s\n' "$@"; }
md() { echo "| search crowd of $1, $2 | $3 listed | $1 answers | $(awk -v a="$3" -v b="$1" 'BEGIN { printf "%.3f", a / b }') |"; }

if [ $ROWS = 0 ]; then
  echo "search crowds: $(nproc) cores, $(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -1)," \
    "net.core.rmem_max $(cat /proc/sys/net/core/rmem_max)"
  row devices "host, root" "host, user" "search, root" "search, user" "a device"
fi
for n in "$@"; do
  rm -f "$WORK/sim.log"
  "$BUILD/bin/vandrel-sim" --crowd "$n" --quiet > "$WORK/sim.log" 2>&1 &
  SIM_PID=$!
  sh scripts/sim-ready.sh "$WORK/sim.log" "$SIM_PID"
  # "listed N in T ms, C us a device"
  host=$("$BUILD/bin/crowd-host" 1000)
  host_user=$(user "$BUILD/bin/crowd-host" 1000 | cut -d' ' -f2)
  cli=$("$BUILD/bin/vandrel" search --wait 1000 | tail -1 | cut -d' ' -f1)
  [ $ROWS = 1 ] || cli_user=$(user "$BUILD/bin/vandrel" search --wait 1000 | tail -1 | cut -d' ' -f1)
  kill "$SIM_PID"
  wait "$SIM_PID" 2>/dev/null || true
  SIM_PID=""
  listed=$(echo "$host" | cut -d' ' -f2)
  cost=$(echo "$host" | cut -d' ' -f6)
  if [ $ROWS = 1 ]; then
    md "$n" "a host sleeping 1 s then collecting ($cost us a device)" "$listed"
    md "$n" "the same without CAP_NET_ADMIN" "$host_user"
    md "$n" "vandrel search" "$cli"
  else
    row "$n" "$listed" "$host_user" "$cli" "$cli_user" "$cost us"
  fi
done
[ $ROWS = 1 ] && exit 0
echo "host: searches, sleeps 1 s, then collects (bench/crowd_host.cpp); search: vandrel search --wait 1000;"
echo "user: without CAP_NET_ADMIN; a device: what collecting costs the sleeping host per device listed"
