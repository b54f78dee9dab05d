# vandrel at: the AT-command session with a family B device, and a device's
# error answer ending the run with its code. (The steps in JSON are what the
# dashboard's sessions view shows: its browser test reads them.)
. "$(dirname "$0")/lib.sh"

test_at_errors_reads_writes_and_reset() {
    start_standard_fleet
    expect_run 106 at 127.0.0.10 --password admin NOSUCHKEY NAME
    expect_err "get NOSUCHKEY: the device reports an invalid command"
    expect_no_out "^get +NAME"

    expect_run 0 at 127.0.0.10 --password admin C1_D1=26 C1_D1
    expect_out "^logged in to 127\.0\.0\.10:8800, type 32 \(B, 1 port\)$"
    # Destination values travel as hex; the tool shows what was sent.
    expect_out "^set +C1_D1 +0x1A +ok$"
    expect_out "^exit sent$"

    expect_run 0 at 127.0.0.10 --type 32 --password admin --reset NAME --json
    expect_out '"reset": true'
    expect_sim_log "127\.0\.0\.10 +at +AT\+RESET=admin"
}

run_case "$1"
