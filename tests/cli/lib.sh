# Helpers of the vandrel command-line tests. Each test is a shell function
# run by ctest in a private network namespace of its own, with a vandrel-sim
# fleet of its own; $VANDREL and $VANDREL_SIM name the two programs.

set -u

# The tests broadcast: they run only where the simulated devices may (a
# namespace of loopback alone, or a lab of scripts/lab.sh).
if ! "$VANDREL_SIM" --check-network; then
    echo "refusing to run the tests here; run them through scripts/test.sh" >&2
    exit 2
fi

WORK=$(mktemp -d)
# The tool's fleet database: the test's own, never the user's.
export VANDREL_DB="$WORK/fleet.db"
SIM_PID=""
cleanup() {
    if [ -n "$SIM_PID" ]; then
        kill -TERM "$SIM_PID" 2>/dev/null
        wait "$SIM_PID" 2>/dev/null
    fi
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
    echo "FAILED: $*" >&2
    echo "--- last command: $LAST" >&2
    echo "--- its stdout:" >&2; cat "$WORK/out" >&2 2>/dev/null
    echo "--- its stderr:" >&2; cat "$WORK/err" >&2 2>/dev/null
    echo "--- simulator log:" >&2; cat "$WORK/sim.log" >&2 2>/dev/null
    exit 1
}

# Starts vandrel-sim with the fleet read from standard input and waits until
# its devices are ready.
start_sim() {
    cat > "$WORK/fleet.txt"
    sim_ready "$VANDREL_SIM" --fleet "$WORK/fleet.txt"
}

# Starts vandrel-sim with the given arguments, logging to $WORK/sim.log, and
# waits until its devices are ready.
sim_ready() {
    "$@" > "$WORK/sim.log" 2>&1 &
    SIM_PID=$!
    LAST="vandrel-sim"
    sh "$(dirname "$0")/../../scripts/sim-ready.sh" "$WORK/sim.log" $SIM_PID || fail "vandrel-sim did not start"
}

# Runs vandrel with the given arguments; keeps stdout, stderr and the status.
LAST=""
STATUS=0
run() {
    LAST="vandrel $*"
    "$VANDREL" "$@" > "$WORK/out" 2> "$WORK/err"
    STATUS=$?
}

expect_status() {
    [ "$STATUS" -eq "$1" ] || fail "exit status $STATUS, expected $1"
}

# Runs vandrel with the arguments after the first, which is the exit status
# it must end with.
expect_run() {
    want=$1
    shift
    run "$@"
    expect_status "$want"
}

# An extended regular expression that some line of stdout (or stderr) holds.
expect_out() { grep -Eq -- "$1" "$WORK/out" || fail "stdout lacks /$1/"; }
expect_no_out() { ! grep -Eq -- "$1" "$WORK/out" || fail "stdout holds /$1/"; }
expect_err() { grep -Eq -- "$1" "$WORK/err" || fail "stderr lacks /$1/"; }

# Waits up to a second (or $2 seconds) for the simulator to log a line
# matching the pattern.
expect_sim_log() {
    i=0
    until grep -Eq -- "$1" "$WORK/sim.log"; do
        i=$((i + 1))
        [ $i -le $((${2:-1} * 20)) ] || fail "the simulator did not log /$1/"
        sleep 0.05
    done
}

expect_no_sim_log() {
    sleep 0.2  # the simulator logs in 100 ms ticks
    ! grep -Eq -- "$1" "$WORK/sim.log" || fail "the simulator logged /$1/"
}

# Runs the test named by the script's argument.
run_case() {
    "$1"
    echo "$1: passed"
}

# The fleet most tests use.
start_standard_fleet() {
    start_sim <<'FLEET'
family-a  127.0.0.2  type=5  name=serial-5 password=admin
family-a  127.0.0.3  type=7  name=io-10t   password=admin search=items
family-a  127.0.0.4  type=17 name=can-17   password=admin version=123
firmware  127.0.0.2  port=8800 transport=tcp
firmware  127.0.0.4  port=8810 transport=udp
io-module 127.0.0.3  port=8800 adc=1234,3071 io=5,160
family-b  127.0.0.10 type=32 name=one-port   password=admin
family-b  127.0.0.12 type=48 name=four-ports password=admin at-port=none
FLEET
}
