#!/bin/sh
# The Windows stage: installs Debian's mingw-w64 cross compilers, wine64 and
# wine32 (adding the i386 architecture), builds vandrel.dll (64-bit and
# 32-bit) with its import library, vandrel.exe, the unit tests and the Windows
# host test program (the 32-bit ones only where 32-bit Wine runs), checks each DLL's export table (exactly the public
# headers' 26 VD_ and 18 VF_ names, undecorated) and that it needs system
# DLLs only, then runs the tests of each under Wine in a private network
# namespace, each beside a fresh vandrel-sim (the Linux build), and the
# 64-bit vandrel.exe in a lab of two links (scripts/lab.sh, made from that
# namespace). When Debian's archive cannot give wine32:i386 (its i386 index
# out of step with amd64's), the stage says so loudly and runs the 64-bit
# programs only.
#
#   sh scripts/windows.sh
. "$(dirname "$0")/help.sh"
set -e
cd "$(dirname "$0")/.."

# 32-bit Wine is an i386 program: a kernel without 32-bit support cannot
# start it at all ("Exec format error"), whatever it would run.
runs_32_bit() { [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; }

if [ "${1:-}" != "--in-netns" ]; then
  sh scripts/install-deps.sh
  # The cross compilers and Wine come without the packages they only recommend.
  sh scripts/install-deps.sh --no-install-recommends g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64
  # 32-bit Wine is an i386 package. Its install fails only for reasons of the
  # archive's: the run below then says that the i686 programs were not run.
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  if ! sh scripts/install-deps.sh --no-install-recommends wine32:i386; then
    echo "=================================================================="
    echo "WARNING: Debian's wine32:i386 could not be installed (apt's message"
    echo "above); the i686 DLL is built and checked, its programs NOT run."
    echo "=================================================================="
  fi

  BUILD=${BUILD:-build}
  sh scripts/build.sh vandrel-sim
  # The i686 programs are built only where 32-bit Wine can run them (a build
  # takes minutes); the DLL is built and its exports checked everywhere.
  for arch in x86_64 i686; do
    targets="vandrel vandrel-cli vandrel_unit_tests vandrel_host_tests"
    if [ "$arch" = i686 ] && ! runs_32_bit; then targets=vandrel; fi
    cmake -S . -B "build-windows-$arch" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$arch-w64-mingw32.cmake" >/dev/null
    # shellcheck disable=SC2086
    cmake --build "build-windows-$arch" -j "$(nproc)" --target $targets
  done

  # The exports are exactly the headers', less the message loop of the
  # platforms without one; the DLL needs nothing but system DLLs.
  expected=$( (sed -n 's/.*VD_CALL \(VD_[A-Za-z]*\)(.*/\1/p' include/vandrel.h | grep -vx VD_PumpMessages
    sed -n 's/.*VF_CALL \(VF_[A-Za-z]*\)(.*/\1/p' include/vandrel_fleet.h) | sort -u)
  for arch in x86_64 i686; do
    dll="build-windows-$arch/bin/vandrel.dll"
    table=$("$arch-w64-mingw32-objdump" -p "$dll")
    exported=$(echo "$table" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p' | sort)
    if [ "$exported" != "$expected" ] || [ "$(echo "$exported" | wc -l)" -ne 44 ]; then
      echo "$dll exports:"; echo "$exported"; echo "expected:"; echo "$expected"
      exit 1
    fi
    needed=$(echo "$table" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
    if [ "$needed" != "iphlpapi.dll kernel32.dll msvcrt.dll user32.dll ws2_32.dll " ]; then
      echo "$dll needs more than system DLLs: $needed"
      exit 1
    fi
    echo "$dll: the 26 exports and the fleet's 18, undecorated; needs $needed"
  done

  BUILD="$BUILD" exec sh scripts/in-netns.sh sh scripts/windows.sh --in-netns
fi

# In the private namespace: one Wine prefix for the whole run.
WINEPREFIX=$(mktemp -d)
export WINEPREFIX WINEDEBUG=-all
SIM_LOG="$WINEPREFIX/sim.log"
SIM_PID=""
finish() {
  [ -n "$SIM_PID" ] && kill -INT "$SIM_PID" 2>/dev/null && wait "$SIM_PID" 2>/dev/null
  /usr/lib/wine/wineserver64 -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}
trap finish EXIT
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1

# Each run writes settings to the simulated devices, so each gets a fresh
# fleet of its own.
start_sim() {
  "${BUILD:-build}/bin/vandrel-sim" --quiet >"$SIM_LOG" 2>&1 &
  SIM_PID=$!
  sh scripts/sim-ready.sh "$SIM_LOG" "$SIM_PID"
}
stop_sim() {
  kill -INT "$SIM_PID" && wait "$SIM_PID" || true
  SIM_PID=""
}

run() {  # wine program, build folder
  start_sim
  for program in vandrel_unit_tests vandrel_host_tests; do
    echo "== $2/$program.exe under $1"
    "/usr/lib/wine/$1" "$2/bin/$program.exe"
  done
  echo "== $2/vandrel.exe data --json (a reply to GETADC through the tool's window)"
  "/usr/lib/wine/$1" "$2/bin/vandrel.exe" data 127.0.0.3 --hex "AA 05 00 AF 0D" --json | tee "$WINEPREFIX/data.json"
  grep -q '"hex": "AA 05 04 04 D2 0B FF 89 0D"' "$WINEPREFIX/data.json"
  echo "== $2/vandrel.exe apply --jobs 2 (two workers at once)"
  printf 'password=admin\n127.0.0.4 NAME=can-17\n127.0.0.13 NAME=eight-ports\n' >"$WINEPREFIX/plan.txt"
  "/usr/lib/wine/$1" "$2/bin/vandrel.exe" apply "$WINEPREFIX/plan.txt" --jobs 2 | tee "$WINEPREFIX/apply.txt"
  grep -q "^2 devices: 2 unchanged" "$WINEPREFIX/apply.txt"
  stop_sim
}
run wine64 build-windows-x86_64
# Wine's sockets are its server's: the lab's host gets a server of its own.
/usr/lib/wine/wineserver64 -k 2>/dev/null; /usr/lib/wine/wineserver64 -w
echo "== build-windows-x86_64/bin/vandrel.exe in a lab of two links"
WINE=/usr/lib/wine/wine64 VANDREL=build-windows-x86_64/bin/vandrel.exe VANDREL_SIM="${BUILD:-build}/bin/vandrel-sim" \
  LAB=scripts/lab.sh sh scripts/lab.sh run 2 sh tests/windows/links_test.sh
/usr/lib/wine/wineserver64 -k 2>/dev/null; /usr/lib/wine/wineserver64 -w
if runs_32_bit; then
  run wine build-windows-i686
else
  echo "=================================================================="
  echo "WARNING: build-windows-i686's DLL built and its exports checked, but"
  echo "its programs NOT built or run: 32-bit Wine (Debian's wine32:i386) is"
  echo "not installed, or this kernel cannot start 32-bit programs."
  echo "=================================================================="
fi
