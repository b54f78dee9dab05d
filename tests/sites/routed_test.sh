# Searches of other subnets from the controller of a lab of two sites
# (tests/sites/lib.sh): each site's devices lie behind its site host, a
# router, so a broadcast of the controller reaches none of them, while a
# directed broadcast (which the site hosts forward) and a range asked address
# by address do.
. "$(dirname "$0")/lib.sh"

VANDREL=$BUILD/bin/vandrel
run() {
    LAST="vandrel $*"
    "$VANDREL" "$@" > "$WORK/out" 2>&1
    STATUS=$?
}
expect_run() { want=$1; shift; run "$@"; expect_status "$want"; }

sites_of_devices() {
    stage
    start_devices 1
    start_devices 2
}

test_directed_broadcast_and_range_cross_the_router() {
    sites_of_devices
    expect_run 100 search --wait 300
    expect_run 0 search 198.18.2.255 --wait 500
    expect_out "^198\.18\.2\.2 +02:56:44:12:02:02 +5 \(A, serial\)"
    expect_out "^198\.18\.2\.3 +02:56:44:12:02:03 +48 \(B, 4 ports\)"
    expect_out "^2 devices answered$"
    expect_run 0 search 198.18.1.0/28 --wait 300 --json
    expect_out '"ip": "198\.18\.1\.2"'
    expect_out '"ip": "198\.18\.1\.3"'
    expect_no_out '198\.18\.2\.'
    [ "$(grep -c '"ip"' "$WORK/out")" = 2 ] || fail "a device listed twice"
}

test_ranges_wider_than_a_16_or_malformed_are_refused() {
    expect_run 2 search 198.18.0.0/15
    expect_out "'198\.18\.0\.0/15' is wider than a /16 \(65536 addresses\): search it in parts"
    for word in 198.18.5.0/33 198.18.5/24 198.18.5.0/ pump/24 198.18.5.0/0x18 198.18.5.0/255.255.255.0; do
        expect_run 2 search "$word"
        expect_out "is not an address range such as 198\.18\.5\.0/24"
    done
}

# The guide's example. (Ranges it refuses are the Python module's tests'.)
test_python_search_of_a_range() {
    sites_of_devices
    LAST="python3 (the guide's example)"
    awk '$0 == "```python" { on = 1; next } on && $0 == "```" { exit } on' "$SOURCE/docs/sites.md" > "$WORK/example.py"
    PYTHONPATH=$STAGE/lib/python3/dist-packages /usr/bin/python3 "$WORK/example.py" > "$WORK/out" 2>&1 ||
        fail "the guide's example failed"
    [ "$(sort "$WORK/out")" = "$(printf '198.18.2.2 02:56:44:12:02:02 5\n198.18.2.3 02:56:44:12:02:03 48')" ] ||
        fail "the guide's example listed other devices"
}

run_case "$1"
