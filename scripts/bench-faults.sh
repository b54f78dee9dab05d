#!/bin/sh
# The fault benchmark: every vandrel operation (search, show by IP, show by
# MAC of a 4-port and an 8-port device, set by IP and by MAC with --verify,
# an AT read, a UDP firmware download) RUNS times under each fault setting of
# a lab link: 10% loss each way, every datagram duplicated, and 10%
# duplication with 10% loss. Each run is judged against what the simulated
# devices hold (tests/lab/fault_runs.sh). Builds what it needs, runs in labs
# of its own (scripts/lab.sh) and prints one markdown table.
#
#   sh scripts/bench-faults.sh [RUNS [LABS]]
#
# RUNS defaults to 300. LABS (default 1) labs, each with its own devices,
# share the runs and go on at the same time: a run mostly waits for the wire,
# so several labs fill the machine's time without crowding its processors.
# The runs that went wrong are listed after the table.
. "$(dirname "$0")/help.sh"
set -e
cd "$(dirname "$0")/.."
RUNS=${1:-300}
LABS=${2:-1}
for n in "$RUNS" "$LABS"; do
  case "$n" in '' | *[!0-9]*) echo "bench-faults.sh: RUNS and LABS are numbers" >&2 && exit 2 ;; esac
done
[ "$LABS" -ge 1 ] || { echo "bench-faults.sh: LABS is at least 1" >&2 && exit 2; }
# VANDREL and VANDREL_SIM, when both are set, name programs already built.
if [ -z "${VANDREL:-}" ] || [ -z "${VANDREL_SIM:-}" ]; then
  BUILD=${BUILD:-build}
  sh scripts/build.sh vandrel-cli vandrel-sim >/dev/null
  VANDREL=$(cd "$BUILD/bin" && pwd)/vandrel
  VANDREL_SIM=$(cd "$BUILD/bin" && pwd)/vandrel-sim
fi
LAB=$(pwd)/scripts/lab.sh
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT
export VANDREL VANDREL_SIM LAB

echo "Machine: $(nproc) cores, $(sed -n 's/^model name[^:]*: //p' /proc/cpuinfo | head -1), load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo
# Lab $1 makes $2 runs of each operation under each setting and writes one
# line per run, "SETTING OPERATION VERDICT", to $OUT/verdicts.$1.
one_lab() {
  # shellcheck disable=SC2016
  sh scripts/lab.sh run 2 sh -c '
    WORK=$(mktemp -d)
    . tests/lab/fault_runs.sh
    trap "fault_stop; rm -rf \"\$WORK\"" EXIT
    fault_start || { echo "the devices did not start" >&2; exit 1; }
    for setting in $FAULT_SETTINGS; do
      fault_set "$setting"
      for op in $FAULT_OPERATIONS; do
        n=0
        while [ $n -lt "$2" ]; do
          echo "$setting $op $(fault_run "$op" $n "$setting")" >> "$1"
          n=$((n + 1))
        done
      done
    done
    fault_set clean
    [ ! -s "$WORK/faults.log" ] || cp "$WORK/faults.log" "$1.log"' lab "$OUT/verdicts.$1" "$2"
}
i=0
pids=""
while [ $i -lt "$LABS" ]; do
  # The runs are shared out as evenly as they go.
  one_lab $i $(((RUNS + LABS - 1 - i) / LABS)) &
  pids="$pids $!"
  i=$((i + 1))
done
status=0
for pid in $pids; do wait "$pid" || status=1; done
. tests/lab/fault_runs.sh
echo "| faults | operation | runs | ok | failed | wrong | half-written | hangs | success |"
echo "|---|---|---:|---:|---:|---:|---:|---:|---:|"
for setting in $FAULT_SETTINGS; do
  for op in $FAULT_OPERATIONS; do
    cat "$OUT"/verdicts.* | awk -v s="$setting" -v o="$op" -v f="$(fault_setting "$setting")" '
      $1 == s && $2 == o { n++; c[$3]++ }
      END { printf "| %s | %s | %d | %d | %d | %d | %d | %d | %.1f%% |\n", f, o, n, c["ok"], c["failed"], c["wrong"], c["half"], c["hang"], n ? 100 * c["ok"] / n : 0 }'
  done
done
if ls "$OUT"/*.log >/dev/null 2>&1; then
  echo
  echo "Runs that went wrong:"
  grep -h "^== " "$OUT"/*.log
fi
exit $status
