# vandrel-sim itself: the built-in fleet and a clean stop.
. "$(dirname "$0")/lib.sh"

test_default_fleet_starts_and_stops_on_sigint() {
    sim_ready "$VANDREL_SIM"
    kill -INT "$SIM_PID"
    wait "$SIM_PID"
    status=$?
    SIM_PID=""
    [ "$status" -eq 0 ] || fail "vandrel-sim ended with $status"
    grep -q "vandrel-sim: stopped (SIGINT)" "$WORK/sim.log" || fail "no stop message"
}

test_crowd_answers_and_a_namespace_it_refuses() {
    start_sim <<'FLEET'
family-a 127.0.0.2 type=5
family-a 127.0.0.2 type=5
crowd    127.2.0.1 count=3000
FLEET
    expect_run 0 search --wait 1000
    # The two devices alike answer alike, and are listed once.
    expect_out "^127\.2\.11\.184 +02:56:43:00:0B:B8 +5 \(A, serial\)"
    expect_out "^3001 devices answered$"
    ip link add probe0 type bridge
    LAST="vandrel-sim --check-network"
    ! "$VANDREL_SIM" --check-network 2> "$WORK/err" || fail "it would run beside a bridge"
    expect_err "interface probe0 is not a veth link"
    expect_err "run it in a private network namespace: unshare -n sh -c 'ip link set lo up; ip route add broadcast"
}

run_case "$1"
