# vandrel at: the AT-command session with a family B device, and each of the
# device's error answers.
. "$(dirname "$0")/lib.sh"

test_at_reads_and_writes_in_order() {
    start_standard_fleet
    run at 127.0.0.10 --password admin C1_BAUD C1_BAUD=9600 C1_BAUD C1_D1=26 C1_D1
    expect_status 0
    expect_out "^logged in to 127\.0\.0\.10:8800, type 32 \(B, 1 port\)$"
    expect_out "^get +C1_BAUD +115200 +ok$"
    expect_out "^set +C1_BAUD +9600 +ok$"
    expect_out "^get +C1_BAUD +9600 +ok$"
    # Destination values travel as hex.
    expect_out "^set +C1_D1 +0x1A +ok$"
    expect_out "^get +C1_D1 +26 +ok$"
    expect_out "^exit sent$"
    expect_sim_log "127\.0\.0\.10 +at +AT\+LOGIN=admin"
    expect_sim_log "127\.0\.0\.10 +at +AT\+C1_D1=0x1A"
    expect_sim_log "127\.0\.0\.10 +at +AT\+EXIT"
}

test_at_reset_and_json() {
    start_standard_fleet
    run at 127.0.0.10 --type 32 --password admin --reset NAME --json
    expect_status 0
    expect_out '"value": "one-port"'
    expect_out '"status": "OK"'
    expect_out '"reset": true'
    expect_sim_log "127\.0\.0\.10 +at +AT\+RESET=admin"
}

test_at_device_errors() {
    start_standard_fleet
    run at 127.0.0.10 --password admin NOSUCHKEY NAME
    expect_status 106
    expect_err "get NOSUCHKEY: the device reports an invalid command"
    expect_no_out "^get +NAME"
    run at 127.0.0.10 --password admin WEB_PORT=eighty
    expect_status 107
    expect_err "parameter format error"
    run at 127.0.0.10 --password admin NAME=a,b --json
    expect_status 108
    expect_out '"status": "PARAM_COUNT"'
    expect_out '"code": 108'
}

test_at_login_failures() {
    start_standard_fleet
    run at 127.0.0.10 --password nimda NAME
    expect_status 102
    expect_err "login failed: wrong password"
    # The session serves family B only.
    run at 127.0.0.2 --password admin NAME
    expect_status 101
    expect_err "type 5 is family A"
    # The four-port device of this fleet has no AT session.
    run at 127.0.0.12 --password admin NAME
    expect_status 103
    expect_err "login failed: no connection"
}

test_at_silent_device() {
    start_sim <<'FLEET'
family-b  127.0.0.10 type=32 silent=yes
FLEET
    run at 127.0.0.10 --type 32 --password admin NAME
    expect_status 104
    expect_err "login failed: no reply in time"
}

run_case "$1"
