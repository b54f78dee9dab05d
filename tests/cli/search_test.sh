# vandrel search: broadcast and one address, both reply forms, nobody there.
. "$(dirname "$0")/lib.sh"

test_search_broadcast_lists_every_device() {
    start_standard_fleet
    run search --wait 300
    expect_status 0
    expect_out "^127\.0\.0\.2 +02:56:44:00:00:02 +5 \(A, serial\) +1\.05 +0 +8800$"
    expect_out "^127\.0\.0\.4 +02:56:44:00:00:04 +17 \(A, CAN\) +2\.23 +0 +8800$"
    # A reply of items carries no version and no port.
    expect_out "^127\.0\.0\.3 +02:56:44:00:00:03 +7 \(A, 10T\) +- +0 +-$"
    # Family B devices answer with the fixed reply too.
    expect_out "^127\.0\.0\.12 +02:56:44:00:00:0C +48 \(B, 4 ports\) +1\.05 +0 +-$"
    expect_out "^127\.0\.0\.10 +02:56:44:00:00:0A +32 \(B, 1 port\) +1\.05 +0 +8800$"
    expect_out "^5 devices answered$"
    expect_sim_log "127\.0\.0\.3 +family-a +broadcast search from 127\.0\.0\.1"
}

test_search_one_address_as_json() {
    start_standard_fleet
    run search 127.0.0.4 --wait 300 --json
    expect_status 0
    expect_out '"ip": "127\.0\.0\.4"'
    expect_out '"type": 17'
    expect_out '"family": "A"'
    expect_out '"version": "2\.23"'
    expect_no_out '127\.0\.0\.2'
    expect_sim_log "127\.0\.0\.4 +family-a +unicast search"
}

test_search_nobody_answers() {
    start_standard_fleet
    run search 127.0.0.9 --wait 200
    expect_status 100
    expect_err "127\.0\.0\.9 did not answer within 200 ms"
    run search 127.0.0.9 --wait 200 --json
    expect_status 100
    expect_out '"error": "127\.0\.0\.9 did not answer within 200 ms"'
}

test_search_silent_fleet() {
    start_sim <<'FLEET'
family-a  127.0.0.2  type=5 silent=yes
FLEET
    run search --wait 200
    expect_status 100
    expect_err "no device answered within 200 ms"
}

run_case "$1"
