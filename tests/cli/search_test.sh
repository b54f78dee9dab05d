# vandrel search: broadcast and one address, both reply forms, nobody there.
. "$(dirname "$0")/lib.sh"

test_search_broadcast_lists_every_device_and_one_address_nobody() {
    start_standard_fleet
    expect_run 0 search --wait 300
    expect_out "^127\.0\.0\.2 +02:56:44:00:00:02 +5 \(A, serial\) +1\.05 +0 +8800$"
    expect_out "^127\.0\.0\.4 +02:56:44:00:00:04 +17 \(A, CAN\) +2\.23 +0 +8800$"
    # A reply of items carries no version and no port.
    expect_out "^127\.0\.0\.3 +02:56:44:00:00:03 +7 \(A, 10T\) +- +0 +-$"
    # Family B devices answer with the fixed reply too.
    expect_out "^127\.0\.0\.12 +02:56:44:00:00:0C +48 \(B, 4 ports\) +1\.05 +0 +-$"
    expect_out "^127\.0\.0\.10 +02:56:44:00:00:0A +32 \(B, 1 port\) +1\.05 +0 +8800$"
    expect_out "^5 devices answered$"
    expect_run 100 search 127.0.0.9 --wait 200
    expect_err "127\.0\.0\.9 did not answer within 200 ms"
}

test_search_repeats_its_request_and_lists_each_device_once() {
    start_standard_fleet
    # Requests at 0, 250 and 500 ms: every device answers each of them.
    expect_run 0 search --wait 600 --json
    expect_out '^  "requests": 3,$'
    [ "$(grep -c '"ip":' "$WORK/out")" -eq 5 ] || fail "not five devices"
    # The simulator logs in 100 ms ticks.
    sleep 0.3
    [ "$(grep -Ec "127\.0\.0\.3 +family-a +broadcast search" "$WORK/sim.log")" -eq 3 ] || fail "not three requests"
}

run_case "$1"
