#!/bin/sh
# Builds Vandrel and runs its whole test suite. Each test runs in a private
# network namespace of its own (scripts/in-netns.sh), so no test traffic can
# leave this machine. Needs root for the namespaces.
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
BUILD=${BUILD:-build}
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j "$(nproc)"
cd "$BUILD"
ctest --output-on-failure -j 8 "$@"
