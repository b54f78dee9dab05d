#!/bin/sh
# Runs every libFuzzer target for the given number of seconds (default 30),
# starting from its seed corpus, and prints executions and findings per
# target. Any crash, leak or sanitizer report fails the run. Builds the
# targets first (in the sanitizer build directory) when needed.
. "$(dirname "$0")/help.sh"
set -e
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-30}
BUILD=${BUILD_ASAN:-build-asan}
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVANDREL_SANITIZE=address,undefined -DVANDREL_FUZZ=ON >/dev/null
fi
cmake --build "$BUILD" -j "$(nproc)" >/dev/null
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
status=0
for target in "$BUILD"/bin/*_fuzz; do
  [ -x "$target" ] || continue
  name=$(basename "$target" _fuzz)
  mkdir -p "$WORK/$name"
  [ -d "tests/fuzz/corpus/$name" ] && cp -r "tests/fuzz/corpus/$name/." "$WORK/$name/"
  if "$target" -max_total_time="$SECONDS_EACH" -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$WORK/$name-" "$WORK/$name" >"$WORK/$name.log" 2>&1; then
    result="0 findings"
  else
    result="FINDING"
    status=1
    tail -40 "$WORK/$name.log"
  fi
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$WORK/$name.log" | grep -o '[0-9]*$' || echo "?")
  printf '%-28s %4ss %12s executions  %s\n' "$name" "$SECONDS_EACH" "$execs" "$result"
done
exit $status
