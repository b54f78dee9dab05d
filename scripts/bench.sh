#!/bin/sh
# The benchmark: every library call against its floor, the data channel
# against plain sockets in the same run, the processor a waiting call takes,
# the library's resident memory in a small C host, and searches answered by
# crowds of devices (scripts/bench-crowd.sh). Builds what it needs
# and runs everything inside a private network namespace (scripts/in-netns.sh)
# against vandrel-sim. Prints one markdown table.
#
#   sh scripts/bench.sh           the whole benchmark (about 3 minutes)
#   sh scripts/bench.sh --quick   one round of each, smaller transfers (CI)
. "$(dirname "$0")/help.sh"
set -e
cd "$(dirname "$0")/.."
QUICK=""
[ "${1:-}" = "--quick" ] && QUICK=--quick
BUILD=${BUILD:-build}
sh scripts/build.sh vandrel vandrel-sim vandrel-bench vandrel-resident >/dev/null
BIN=$(cd "$BUILD/bin" && pwd)
LIB=$(cd "$BUILD/lib" && pwd)/libvandrel.so
OPERATIONS=100000
[ -n "$QUICK" ] && OPERATIONS=10000

echo "Machine: $(nproc) cores, $(sed -n 's/^model name[^:]*: //p' /proc/cpuinfo | head -1), load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| operation | measured | against | ratio |"
echo "|---|---:|---|---:|"
# shellcheck disable=SC2016
sh scripts/in-netns.sh sh -c '
  log=$(mktemp)
  "$1/vandrel-sim" --quiet --fleet bench/fleet.txt >"$log" 2>&1 &
  sim=$!
  sh scripts/sim-ready.sh "$log" $sim || { kill $sim 2>/dev/null; exit 1; }
  status=0
  "$1/vandrel-bench" $4 || status=1
  "$1/vandrel-resident" "$2" "$3" || status=1
  kill $sim
  wait $sim 2>/dev/null || true
  rm -f "$log"
  exit $status' bench "$BIN" "$LIB" "$OPERATIONS" "$QUICK"
if [ -n "$QUICK" ]; then
  sh scripts/bench-crowd.sh --rows 1000
else
  sh scripts/bench-crowd.sh --rows
fi
