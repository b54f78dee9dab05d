#!/bin/sh
# Builds Vandrel and runs its test suite. Each test runs in a private network
# namespace of its own (scripts/in-netns.sh), so no test traffic can leave
# this machine. Needs root for the namespaces.
#
#   sh scripts/test.sh          the suite (the developers' loop)
#   sh scripts/test.sh --full   the suite, then the same suite under address and
#                               undefined-behaviour sanitizers, the thread tests
#                               under ThreadSanitizer, every fuzz target for
#                               20 seconds, the install stage, the benchmark in
#                               its quick mode and the Windows stage
#                               (scripts/windows.sh) (what CI runs)
. "$(dirname "$0")/help.sh"
set -e
cd "$(dirname "$0")/.."
FULL=0
if [ "${1:-}" = "--full" ]; then
  FULL=1
  shift
fi
START=$(date +%s)
# Each stage says how long the run has taken so far: CI has a time limit.
stage() { echo "== $1 (at $(($(date +%s) - START)) s)"; }
sh scripts/install-deps.sh
# The browser tests' axe-core, as tests/web/package-lock.json pins it.
if ! (cd tests/web && npm ci --no-audit --no-fund --loglevel=error); then
  echo "=================================================================="
  echo "WARNING: npm could not install axe-core (npm's message above): the"
  echo "browser tests run WITHOUT their accessibility check."
  echo "=================================================================="
  export VANDREL_AXE_MISSING=1
fi
stage "build"
BUILD=${BUILD:-build}
sh scripts/build.sh
stage "suite"
# The stress tests (threads, floods, a long run) after the rest, fewer at a
# time: their waits and floods are what a loaded machine upsets; so are the
# dashboard's browser tests, each with a chromium of its own.
(cd "$BUILD" && ctest --output-on-failure -j 8 -LE 'stress|web' "$@" && ctest --output-on-failure -j 3 -L web "$@" &&
  ctest --output-on-failure -j 3 -L stress "$@")
[ "$FULL" = 1 ] || exit 0
stage "sanitizers (address, undefined)"
sh scripts/sanitize.sh
stage "threads (ThreadSanitizer)"
sh scripts/threads.sh
stage "fuzzing"
sh scripts/fuzz.sh 20
stage "install"
sh scripts/install-check.sh
stage "benchmark (quick: every call runs, no figure is judged)"
sh scripts/bench.sh --quick
stage "Windows (vandrel.dll under Wine)"
sh scripts/windows.sh
stage "done"
