# vandrel on a host with three links (scripts/lab.sh run 3), the default
# route on the first; behind link N a family A device at 198.18.N.2 and a
# family B device at 198.18.N.3 (MAC 02:56:44:12:0N:03).
. "$(dirname "$0")/../cli/lib.sh"
. "$(dirname "$0")/sites.sh"
trap 'for p in $SITES; do kill -TERM "$p"; wait "$p"; done 2>/dev/null; cleanup' EXIT

test_search_and_family_b_on_every_link() {
    start_sites 3
    run search --wait 500
    expect_out "^198\.18\.1\.2 +02:56:44:12:01:02 +5 \(A, serial\)"
    expect_out "^198\.18\.3\.3 +02:56:44:12:03:03 +48 \(B, 4 ports\)"
    expect_out "^6 devices answered$"
    run set 02:56:44:12:03:03 --password admin NAME=renamed
    run show 02:56:44:12:03:03 NAME
    expect_out "renamed"
    run restart 02:56:44:12:03:03
    expect_status 0
    grep -q "restart" "$WORK/3.log" || fail "site 3 logged no restart"
}

test_interface_option_keeps_to_its_links() {
    start_sites 3
    run search --wait 300 --interface link2
    expect_out "^2 devices answered$"
    sleep 0.2  # the simulator logs in 100 ms ticks
    [ "$(grep -l " from 198.18" "$WORK"/?.log)" = "$WORK/2.log" ] || fail "heard beyond link 2"
    run search --interface link4
    expect_status 2
    expect_err "no interface named link4"
    run interfaces --interface link2,link3 --json
    expect_out '"broadcast": "198\.18\.3\.255",'
    expect_no_out 'link1'
}

run_case "$1"
