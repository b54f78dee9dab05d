#!/bin/sh
# Builds the whole suite with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer (plus the libFuzzer targets) and runs it; any
# sanitizer report fails the run.
. "$(dirname "$0")/help.sh"
set -e
cd "$(dirname "$0")/.."
BUILD=${BUILD_ASAN:-build-asan}
CC=clang CXX=clang++ cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVANDREL_SANITIZE=address,undefined -DVANDREL_FUZZ=ON >/dev/null
cmake --build "$BUILD" -j "$(nproc)"
cd "$BUILD"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The browser and stress tests after the rest, fewer at a time (as
# scripts/test.sh); the Ansible collection's sanity checks load no library
# and are left out.
ctest --output-on-failure -j 8 -LE 'stress|web|lint' "$@"
ctest --output-on-failure -j 3 -L web "$@"
ctest --output-on-failure -j 3 -L stress "$@"
