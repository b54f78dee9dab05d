#!/bin/sh
# The install stage of the full run: installs the build into a staging
# prefix and uses it as a host would, from C, CMake, Python and the shell
# (tests/install/install_test.sh, inside a private network namespace).
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh python3-venv python3-setuptools python3-wheel man-db
BUILD=${BUILD:-build}
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j "$(nproc)" >/dev/null
sh scripts/in-netns.sh sh tests/install/install_test.sh "$BUILD"
