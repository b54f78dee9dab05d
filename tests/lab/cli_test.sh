# vandrel on a host with three links (scripts/lab.sh run 3), the default
# route on the first; behind link N a family A device at 198.18.N.2 and a
# family B device at 198.18.N.3 (MAC 02:56:44:12:0N:03). What the library
# does on every link is tests/lab/networks_test.cpp's; here the tool's
# choice of links.
. "$(dirname "$0")/../cli/lib.sh"
. "$(dirname "$0")/sites.sh"
trap 'for p in $SITES; do kill -TERM "$p"; wait "$p"; done 2>/dev/null; cleanup' EXIT

test_interface_option_keeps_to_its_links() {
    start_sites 3
    run search --wait 300 --interface link2
    expect_out "^2 devices answered$"
    sleep 0.2  # the simulator logs in 100 ms ticks
    [ "$(grep -l " from 198.18" "$WORK"/?.log)" = "$WORK/2.log" ] || fail "heard beyond link 2"
    expect_run 2 search --interface link4
    expect_err "no interface named link4"
    run interfaces --interface link2,link3 --json
    expect_out '"broadcast": "198\.18\.3\.255",'
    expect_no_out 'link1'
}

run_case "$1"
