# vandrel show and set over UDP beyond what the demo walks through (named
# keys, JSON, addresses by MAC), and how the library's refusals reach the user
# (the refusals themselves are the library's, tested through its exports).
. "$(dirname "$0")/lib.sh"

test_show_named_keys_and_password_and_family_b_by_mac() {
    start_standard_fleet
    expect_run 0 show 127.0.0.2 --with-password
    expect_out "^PASS +admin$"
    expect_run 1 show 127.0.0.2 NAME NOSUCHKEY PASS
    expect_out "^NAME +serial-5$"
    expect_err "not reported by the device: NOSUCHKEY, PASS"
    expect_run 0 show 02:56:44:00:00:0c
    expect_out "^02:56:44:00:00:0C  type 48 \(B, 4 ports\)$"
    expect_out "^C4_BAUD +115200$"
    expect_no_out "^PASS"
    expect_run 0 set 02-56-44-00-00-0C --password admin NAME=pump-4 IPF2=127.0.0.1-127.0.0.9
    expect_sim_log "127\.0\.0\.12 +family-b +restart"
    expect_run 0 show 02:56:44:00:00:0C --type 48 NAME IPF2 --json
    expect_out '"mac": "02:56:44:00:00:0C"'
    expect_out '"NAME": "pump-4"'
    expect_out '"IPF2": "127\.0\.0\.1-127\.0\.0\.9"'
}

test_refusals_give_the_library_code_and_a_hint() {
    start_sim <<'FLEET'
family-a  127.0.0.2  type=5 password=admin
family-a  127.0.0.3  type=5 silent=yes
FLEET
    expect_run 101 show 127.0.0.2 --type 48 --json
    expect_out '"error": "127\.0\.0\.2 is a family B device \(type 48\), addressed by MAC: give its MAC address instead"'
    expect_out '"code": 101'
    expect_run 100 show 127.0.0.3
    expect_err "did not answer a search, so its type is unknown \(pass --type\)"
    # The device's own TYPE wins over --type: nothing is shown or sent.
    expect_run 1 show 127.0.0.2 --type 7 NAME
    expect_err "^vandrel show: 127\.0\.0\.2 reports type 5 in its read, not type 7 as given"
    expect_no_out "NAME"
    expect_run 1 set 127.0.0.2 --type 17 --password admin --force CANBAUD1=500000
    expect_err "127\.0\.0\.2 reports type 5 in its read, not type 17 as given"
}

test_a_family_b_write_that_does_not_take_changes_nothing() {
    # Each block ignores its first four writes: the write of C2_BAUD is
    # tried four times, then undone, and the device is not restarted.
    start_sim <<'FLEET'
family-b  127.0.0.12 type=48 name=four-ports password=admin at-port=none ignore-writes=4
FLEET
    expect_run 1 set 02:56:44:00:00:0C --type 48 --password admin C2_BAUD=9600 --json
    expect_err "02:56:44:00:00:0C: not confirmed by reading the device back: C2_BAUD; what was written was \
written back and the device not restarted"
    expect_out '"written": false'
    expect_out '"not_confirmed": \['
    expect_no_sim_log "restart"
}

# Ctrl-C while a write is under way lets it end whole: the device holds the
# value and is restarted once, and set says that it did not read it back.
test_ctrl_c_during_a_write_lets_it_end_whole() {
    start_sim <<'FLEET'
family-b  127.0.0.12 type=48 name=four-ports password=admin at-port=none
FLEET
    LAST="vandrel set (Ctrl-C)"
    "$VANDREL" set 02:56:44:00:00:0C --type 48 --password admin C2_BAUD=9600 --verify > "$WORK/out" 2> "$WORK/err" &
    pid=$!
    expect_sim_log "127\.0\.0\.12 +family-b +write of block" 10
    kill -INT $pid
    wait $pid
    STATUS=$?
    expect_status 130
    expect_err "02:56:44:00:00:0C: written, then interrupted: not read back"
    expect_sim_log "127\.0\.0\.12 +family-b +restart" 5
    [ "$(grep -Ec "family-b +restart" "$WORK/sim.log")" -eq 1 ] || fail "the device was not restarted once"
    expect_run 0 show 02:56:44:00:00:0C --type 48 C2_BAUD
    expect_out "^C2_BAUD +9600$"
}

run_case "$1"
