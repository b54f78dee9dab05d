#!/bin/sh
# Waits until the vandrel-sim of process PID, which logs to LOG, says that
# its devices are ready. Fails, showing the log, if the process ends first or
# SECONDS pass (default 10).
#
#   sh scripts/sim-ready.sh LOG PID [SECONDS]
. "$(dirname "$0")/help.sh"
i=0
until grep -q "devices ready" "$1" 2>/dev/null; do
  i=$((i + 1))
  if [ $i -gt $((${3:-10} * 20)) ] || ! kill -0 "$2" 2>/dev/null; then
    cat "$1" >&2
    echo "vandrel-sim did not start" >&2
    exit 1
  fi
  sleep 0.05
done
