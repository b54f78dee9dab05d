#!/bin/sh
# The demo: installs what building Vandrel needs (the test tool chain is the
# test command's), builds the library, the vandrel tool and the vandrel-sim
# device fleet in $BUILD as the README's build step does, then starts the fleet in a private network
# namespace and walks the tool through it: search, show, set and read back
# (family A by IP, family B by MAC), an AT session, IO readings and a
# firmware download. Nothing leaves this machine: the fleet and the tool run
# in the same namespace, whose only interface is loopback.
. "$(dirname "$0")/help.sh"
set -e
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}

if [ -z "${VANDREL_DEMO_IN_NETNS:-}" ]; then
    sh scripts/install-deps.sh --build-only
    echo "building the library, vandrel and vandrel-sim in $BUILD (a few minutes the first time) ..."
    sh scripts/build.sh vandrel-cli vandrel-sim
    VANDREL_DEMO_IN_NETNS=1 BUILD="$BUILD" exec sh scripts/in-netns.sh sh scripts/demo.sh
fi

case "$BUILD" in
/*) BIN="$BUILD" ;;
*) BIN="$PWD/$BUILD" ;;
esac
PATH="$BIN/bin:$PATH"
WORK=$(mktemp -d)
SIM_PID=""
finish() {
    if [ -n "$SIM_PID" ]; then
        kill -INT "$SIM_PID" 2>/dev/null || true
        wait "$SIM_PID" 2>/dev/null || true
    fi
    rm -rf "$WORK"
}
trap finish EXIT

say() {
    printf '\n== %s\n' "$*"
}

# Shows a command, then runs it; a failure the demo expects is reported with
# its exit status instead of ending the demo.
demo() {
    printf '$ %s\n' "$*"
    status=0
    "$@" || status=$?
    [ "$status" -eq 0 ] || printf '(exit status %s)\n' "$status"
}

say "Starting vandrel-sim, a fleet of simulated devices on 127.0.0.x"
vandrel-sim > "$WORK/sim.log" 2>&1 &
SIM_PID=$!
sh scripts/sim-ready.sh "$WORK/sim.log" "$SIM_PID"
sed '/devices ready/q' "$WORK/sim.log"

say "Find every device: a broadcast search (answers collected for half a second)"
demo vandrel search --wait 500

say "Read a family A device's settings by IP (its type comes from a search)"
demo vandrel show 127.0.0.2

say "Change two settings with the device's password, then read them back"
demo vandrel set 127.0.0.2 --password admin NAME=pump-house C1_BAUD=7
demo vandrel show 127.0.0.2 NAME C1_BAUD

say "A wrong password is refused and nothing is written"
demo vandrel set 127.0.0.2 --password guess NAME=intruder

say "A family B device (four serial ports) is addressed by its MAC"
demo vandrel show 02:56:44:00:00:0C NAME IP C1_BAUD C2_BAUD C2_D1 C2_D2
demo vandrel set 02:56:44:00:00:0C --password admin C2_BAUD=9600 C2_D2=12
demo vandrel show 02:56:44:00:00:0C C2_BAUD C2_D2

say "An AT-command session over TCP with the one-port device: read, write, read"
demo vandrel at 127.0.0.10 --password admin C1_BAUD C1_BAUD=57600 C1_BAUD

say "The IO lines of the 10T device: analogue inputs, IO state, direction and levels"
demo vandrel io 127.0.0.3 ad state dir=15 level=5

say "A firmware download: a 3000-byte image in 512-byte chunks, each acknowledged"
head -c 3000 /dev/urandom > "$WORK/app.bin"
demo vandrel firmware download 127.0.0.2 --tcp "$WORK/app.bin"

say "Every command also speaks JSON, for scripts"
demo vandrel show 127.0.0.4 NAME CANBAUD1 --json

say "What the simulated devices served (the last lines of their log)"
sleep 0.2
tail -n 15 "$WORK/sim.log"

say "Done"
cat <<TRY
To go on by hand, open a shell in a private namespace and start the fleet there:
  scripts/in-netns.sh sh
  $BUILD/bin/vandrel-sim --quiet &
  $BUILD/bin/vandrel --help
TRY
