# Two writers of one family B device at once: each writes its copy of the
# whole block, so a write based on a read older than the other's write would
# put back what that one wrote. Never a change lost while its set succeeds.
. "$(dirname "$0")/lib.sh"

test_two_writers_of_one_device_lose_no_change() {
    start_standard_fleet
    mac=02:56:44:00:00:0C
    for round in 1 2 3 4 5 6; do
        bits=$((5 + round % 4)) baud=$((1000 + round))
        "$VANDREL" set $mac --password admin C1_DATAB=$bits > "$WORK/a" 2>&1 & a=$!
        "$VANDREL" set $mac --password admin C1_BAUD=$baud > "$WORK/b" 2>&1 & b=$!
        wait $a; sa=$?
        wait $b; sb=$?
        run show $mac
        [ $sa -eq 0 ] && [ $sb -eq 0 ] || fail "round $round: the writers ended $sa and $sb: $(cat "$WORK/a" "$WORK/b")"
        expect_out "^C1_DATAB +$bits$"
        expect_out "^C1_BAUD +$baud$"
    done
    # A writer killed in the middle of its write leaves the device's lock free.
    writes=$(grep -c "write of block" "$WORK/sim.log")
    "$VANDREL" set $mac --password admin C1_DATAB=8 > /dev/null 2>&1 & a=$!
    until [ "$(grep -c "write of block" "$WORK/sim.log")" -gt "$writes" ]; do
        sleep 0.02
        kill -0 $a 2>/dev/null || fail "the writer ended before the simulator logged its write"
    done
    kill -KILL $a
    expect_run 0 set $mac --password admin C1_BAUD=999
}

# An apply writes in its own process through the fleet interface: it and
# another process's set of the same device take turns by the device's lock.
test_an_apply_and_a_set_of_one_device_lose_no_change() {
    start_standard_fleet
    mac=02:56:44:00:00:0C
    for round in 1 2 3 4; do
        bits=$((5 + round % 4)) baud=$((2000 + round))
        printf '%s type=48 C1_DATAB=%s\n' $mac $bits > "$WORK/plan"
        "$VANDREL" apply "$WORK/plan" --password admin > "$WORK/a" 2>&1 & a=$!
        "$VANDREL" set $mac --password admin C1_BAUD=$baud > "$WORK/b" 2>&1 & b=$!
        wait $a; sa=$?
        wait $b; sb=$?
        run show $mac
        [ $sa -eq 0 ] && [ $sb -eq 0 ] || fail "round $round: apply and set ended $sa and $sb: $(cat "$WORK/a" "$WORK/b")"
        expect_out "^C1_DATAB +$bits$"
        expect_out "^C1_BAUD +$baud$"
    done
}

run_case "$1"
