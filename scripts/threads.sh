#!/bin/sh
# Builds the stress tests and the integration tests under ThreadSanitizer
# and runs the tests that call the library from several threads at once (the
# threads tests, and the fleets', whose own thread serves many hosts'
# threads); any data race fails the run.
. "$(dirname "$0")/help.sh"
set -e
cd "$(dirname "$0")/.."
BUILD=${BUILD_TSAN:-build-tsan}
CC=clang CXX=clang++ cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVANDREL_SANITIZE=thread >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target vandrel_stress_tests vandrel_integration_tests
cd "$BUILD"
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ctest --output-on-failure -j 4 -R 'Threads\.|Fleet\.'
