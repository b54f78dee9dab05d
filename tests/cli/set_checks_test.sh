# vandrel set checks keys and values against the device before it sends
# anything: unknown keys, and values the device would store otherwise.
. "$(dirname "$0")/lib.sh"

test_refusals_send_nothing_unless_forced() {
    start_standard_fleet
    expect_run 2 set 127.0.0.2 --password admin NAM=pump
    expect_err "NAM: not a key of this device \(did you mean NAME\?\)"
    # PASS is three edits from PORT: no typing slip, no suggestion.
    expect_run 2 set 127.0.0.2 --password admin PORT=1
    ! grep -q "did you mean" "$WORK/err" || fail "a key three edits away suggested"
    expect_err "^the device's keys:"
    expect_err " C1_BAUD "
    expect_run 2 set 127.0.0.2 --password admin NAME=abcdefghijkl IP=banana C1_BAUD=115200 MAC=02:00:00:00:00:01
    expect_err "NAME=abcdefghijkl: the device would store 'abcdefghij' \(it takes at most 10 characters\)"
    expect_err "IP=banana: the device would store '255\.255\.255\.255' \(it takes a dotted IPv4 address\)"
    expect_err "C1_BAUD=115200: not one of its choices: it takes 0 = 300 bit/s, .* or 9 = 115200 bit/s"
    expect_err "MAC: the device's MAC address is not a setting"
    expect_run 2 set 02:56:44:00:00:0C --password admin C1_BAUD=3000000000 C1_CLI_IP1=abc --json
    expect_out '"reason": "C1_BAUD=3000000000: out of range: it takes a number from 50 to 921600 \(bit/s\)'
    expect_out '"reason": "C1_CLI_IP1=abc: the device would store .97\.98\.99\.0.'
    expect_no_sim_log "write of"

    # --force sends anyway, with a warning; --verify reads back.
    expect_run 0 set 127.0.0.2 --password admin NAME=abcdefghijkl C1_BAUD=7 --force --verify
    expect_err "warning: sent anyway: NAME=abcdefghijkl: the device would store 'abcdefghij'"
    expect_out "^NAME +abcdefghijkl +stored as abcdefghij$"
    expect_out "^C1_BAUD +7 +stored$"
    expect_run 0 set 127.0.0.2 --password admin NAME=abcdefghij C1_BAUD=8 --dry-run
    expect_out "^C1_BAUD +7 +8$"
    expect_out "^unchanged: NAME$"
}

run_case "$1"
