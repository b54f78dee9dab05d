#!/bin/sh
# The fault benchmark: every vandrel operation (search, show by IP, show by
# MAC of a 4-port and an 8-port device, set by IP and by MAC with --verify,
# an AT read, a UDP firmware download) RUNS times under each fault setting of
# a lab link: 10% loss each way, every datagram duplicated, and 10%
# duplication with 10% loss. Each run is judged against what the simulated
# devices hold (tests/lab/fault_runs.sh). Builds what it needs, runs in a lab
# of its own (scripts/lab.sh) and prints one markdown table.
#
#   sh scripts/bench-faults.sh [RUNS]     RUNS defaults to 300
#
# The runs that went wrong are listed after the table.
. "$(dirname "$0")/help.sh"
set -e
cd "$(dirname "$0")/.."
RUNS=${1:-300}
case "$RUNS" in '' | *[!0-9]*) echo "bench-faults.sh: RUNS is a number" >&2 && exit 2 ;; esac
# VANDREL and VANDREL_SIM, when both are set, name programs already built.
if [ -z "${VANDREL:-}" ] || [ -z "${VANDREL_SIM:-}" ]; then
  BUILD=${BUILD:-build}
  sh scripts/build.sh vandrel-cli vandrel-sim >/dev/null
  VANDREL=$(cd "$BUILD/bin" && pwd)/vandrel
  VANDREL_SIM=$(cd "$BUILD/bin" && pwd)/vandrel-sim
fi
LAB=$(pwd)/scripts/lab.sh
export VANDREL VANDREL_SIM LAB RUNS

echo "Machine: $(nproc) cores, $(sed -n 's/^model name[^:]*: //p' /proc/cpuinfo | head -1), load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo
# shellcheck disable=SC2016
sh scripts/lab.sh run 2 sh -c '
  WORK=$(mktemp -d)
  . tests/lab/fault_runs.sh
  trap "fault_stop; rm -rf \"\$WORK\"" EXIT
  fault_start || { echo "the devices did not start" >&2; exit 1; }
  echo "| faults | operation | runs | ok | failed | wrong | half-written | hangs | success |"
  echo "|---|---|---:|---:|---:|---:|---:|---:|---:|"
  for setting in $FAULT_SETTINGS; do
    fault_set "$setting"
    for op in $FAULT_OPERATIONS; do
      : > "$WORK/verdicts"
      n=0
      while [ $n -lt "$RUNS" ]; do
        fault_run "$op" $n "$setting" >> "$WORK/verdicts"
        n=$((n + 1))
      done
      count() { grep -cx "$1" "$WORK/verdicts" || true; }
      ok=$(count ok)
      echo "| $(fault_setting "$setting") | $op | $RUNS | $ok | $(count failed) | $(count wrong) | $(count half) | $(count hang) | $(awk -v a="$ok" -v b="$RUNS" "BEGIN { printf \"%.1f%%\", b ? 100 * a / b : 0 }") |"
    done
  done
  fault_set clean
  [ ! -s "$WORK/faults.log" ] || { echo; echo "Runs that went wrong:"; grep "^== " "$WORK/faults.log"; }'
