#!/bin/sh
# Installs a build into a staging prefix and uses it as a host would: the
# C example of docs/library.md built once with pkg-config and once with
# find_package(Vandrel), both run against vandrel-sim; the installed tools
# started from the prefix and the completion of vandrel;
# the Python module from the prefix and from pip in a virtual environment;
# then the prefix emptied as docs/install.md says.
# Runs inside scripts/in-netns.sh.
#   sh tests/install/install_test.sh BUILD_DIR
set -eu
SRC=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(cd "$1" && pwd)
WORK=$(mktemp -d)
STAGE=$WORK/stage
SIM_PID=""
trap '[ -z "$SIM_PID" ] || kill "$SIM_PID"; rm -rf "$WORK"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

cmake --install "$BUILD" --prefix "$STAGE" > /dev/null

# The example as the guide shows it, which names the simulator's built-in fleet.
sed -n '/^```c$/,/^```$/p' "$SRC/docs/library.md" | sed '1d;$d' > "$WORK/example.c"
grep -q VD_SearchAll "$WORK/example.c" || fail "no C example in docs/library.md"

export PKG_CONFIG_PATH="$STAGE/lib/pkgconfig"
cc -Wall -Werror -o "$WORK/example-pc" "$WORK/example.c" $(pkg-config --cflags --libs vandrel) \
    -Wl,-rpath,"$(pkg-config --variable=libdir vandrel)"

mkdir "$WORK/cmake"
cat > "$WORK/cmake/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.18)
project(example C)
find_package(Vandrel 2.0 QUIET)
if(Vandrel_FOUND)
  message(FATAL_ERROR "find_package(Vandrel 2.0) accepted version \${Vandrel_VERSION}")
endif()
find_package(Vandrel 1.0 REQUIRED)
add_executable(example-cmake $WORK/example.c)
target_link_libraries(example-cmake PRIVATE Vandrel::vandrel)
CMAKE
cmake -S "$WORK/cmake" -B "$WORK/cmake/build" -DCMAKE_PREFIX_PATH="$STAGE" > /dev/null
cmake --build "$WORK/cmake/build" > /dev/null

"$STAGE/bin/vandrel-sim" > "$WORK/sim.log" 2>&1 &
SIM_PID=$!
sh "$SRC/scripts/sim-ready.sh" "$WORK/sim.log" $SIM_PID || fail "vandrel-sim did not start"

for example in "$WORK/example-pc" "$WORK/cmake/build/example-cmake"; do
    "$example" > "$WORK/out" || fail "$example exited with $?"
    for line in "^127\.0\.0\.2 02:56:44:00:00:02 type 5$" "^NAME = " "^write: 1$" "^received 9 bytes"; do
        grep -q "$line" "$WORK/out" || { cat "$WORK/out"; fail "$example printed no /$line/"; }
    done
done
"$STAGE/bin/vandrel" show 127.0.0.2 NAME | grep -q "pump-1" || fail "the installed vandrel did not read the write back"

# The module from the prefix finds the library there; installed with pip into
# a virtual environment, it takes the library VANDREL_LIB names. (The Python
# guide's examples are run by tests/docs.)
read_name='import vandrel; print(vandrel.read("127.0.0.2", ["NAME"], device_type=5)["NAME"])'
[ "$(PYTHONPATH="$STAGE/lib/python3/dist-packages" /usr/bin/python3 -c "$read_name")" = pump-1 ] ||
    fail "the module from the prefix did not read the device"
cp -r "$SRC/python" "$WORK/python"
/usr/bin/python3 -m venv --system-site-packages "$WORK/venv"
"$WORK/venv/bin/pip" install -q --no-index --no-build-isolation "$WORK/python" || fail "pip install failed"
"$WORK/venv/bin/python" -c "import vandrel" 2>&1 | grep -q "set VANDREL_LIB" ||
    fail "no word of VANDREL_LIB when the library is not found"
[ "$(VANDREL_LIB="$STAGE/lib" "$WORK/venv/bin/python" -c "$read_name")" = pump-1 ] ||
    fail "the module installed with pip did not read the device"

# The completion is installed. (The manual pages are the packages test's,
# what they say tests/man's.)
completes() {
    PATH="$STAGE/bin:$PATH" bash -c '. "$0"; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _vandrel
        echo "${COMPREPLY[*]}"' "$STAGE/share/bash-completion/completions/vandrel" "$@"
}
[ "$(completes vandrel firmware d)" = download ] || fail "no completion of 'vandrel firmware d'"
[ "$(completes vandrel show --w)" = --with-password ] || fail "no completion of 'vandrel show --w'"
# Uninstalled as docs/install.md says, the prefix keeps no file.
xargs rm -f < "$BUILD/install_manifest.txt"
rm -rf "$STAGE/lib/python3/dist-packages/vandrel" "$STAGE/lib/cmake/Vandrel"
left=$(find "$STAGE" -type f)
[ -z "$left" ] || fail "files left after the uninstall: $left"
echo "install test: passed"
