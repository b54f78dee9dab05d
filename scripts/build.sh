#!/bin/sh
# Configures the build in $BUILD (default build) as the suite and the stages
# use it, and builds the given targets (all of them when none is given).
#
#   sh scripts/build.sh [TARGET...]
. "$(dirname "$0")/help.sh"
set -e
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j "$(nproc)" ${1:+--target} "$@"
