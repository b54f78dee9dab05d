# vandrel-sim itself: the built-in fleet, fleet files and a clean stop.
. "$(dirname "$0")/lib.sh"

test_default_fleet_serves_and_stops_on_sigint() {
    "$VANDREL_SIM" > "$WORK/sim.log" 2>&1 &
    SIM_PID=$!
    i=0
    until grep -q "devices ready" "$WORK/sim.log"; do
        i=$((i + 1))
        [ $i -le 100 ] || fail "vandrel-sim did not start"
        sleep 0.05
    done
    grep -Eq "^family-a +127\.0\.0\.2 +udp 8800 +02:56:44:00:00:02 +5 +admin$" "$WORK/sim.log" ||
        fail "the fleet table lacks the serial device"
    run search --wait 300
    expect_status 0
    expect_out "127\.0\.0\.4 .*17 \(A, CAN\)"
    expect_sim_log "127\.0\.0\.2 +family-a +broadcast search from 127\.0\.0\.1"
    kill -INT "$SIM_PID"
    wait "$SIM_PID"
    status=$?
    SIM_PID=""
    [ "$status" -eq 0 ] || fail "vandrel-sim ended with $status"
    grep -q "vandrel-sim: stopped (SIGINT)" "$WORK/sim.log" || fail "no stop message"
}

test_fleet_file_errors() {
    for bad in "toaster 127.0.0.2" "family-a 10.0.0.2 type=5" "family-a 127.0.0.2 type=5 colour=red" \
               "family-a 127.0.0.2 type=48" "family-a 127.0.0.2 type=5 mac=zz" "firmware 127.0.0.2 transport=ip" \
               "family-a 127.0.0.2 type=5 silent=maybe" "family-a 127.0.0.2 type"; do
        echo "$bad" > "$WORK/bad.txt"
        "$VANDREL_SIM" --fleet "$WORK/bad.txt" > "$WORK/out" 2> "$WORK/err"
        STATUS=$?
        LAST="vandrel-sim with '$bad'"
        expect_status 2
        expect_err "^vandrel-sim: line 1: "
    done
    LAST="vandrel-sim --fleet missing"
    "$VANDREL_SIM" --fleet "$WORK/missing.txt" > "$WORK/out" 2> "$WORK/err"
    STATUS=$?
    expect_status 2
    expect_err "cannot read"
}

test_two_members_on_one_port_fail_to_start() {
    printf 'firmware 127.0.0.2 port=9000\nfirmware 127.0.0.2 port=9000\n' > "$WORK/clash.txt"
    LAST="vandrel-sim with a port clash"
    "$VANDREL_SIM" --fleet "$WORK/clash.txt" > "$WORK/out" 2> "$WORK/err"
    STATUS=$?
    expect_status 1
    expect_err "line 2: firmware 127\.0\.0\.2: cannot open its sockets"
}

run_case "$1"
