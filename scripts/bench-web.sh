#!/bin/sh
# Benchmark of the dashboard (vandrel web) with a crowd of N simulated
# devices (default 16,000) in Debian's headless chromium: the full table
# shown after the search ends, a filter keystroke's redraw, /metrics, and
# the server's peak resident memory, each beside its limit. Runs in a
# private network namespace of its own; builds first.
#
#   sh scripts/bench-web.sh [N]
. "$(dirname "$0")/help.sh"
set -e
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
sh scripts/build.sh vandrel-cli vandrel-sim >/dev/null
echo "vandrel web: $(nproc) cores, $(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -1)"
VANDREL="$BUILD/bin/vandrel" VANDREL_SIM="$BUILD/bin/vandrel-sim" VANDREL_WEB_SHOTS="$BUILD/web-screenshots" \
  scripts/in-netns.sh /usr/bin/python3 bench/web_bench.py "$@"
