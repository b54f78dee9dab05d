# The demo of the README, run through against the built programs (its
# install and build steps are skipped: the test already runs in a namespace).
. "$(dirname "$0")/lib.sh"

test_demo_walks_through_every_step() {
    LAST="scripts/demo.sh"
    VANDREL_DEMO_IN_NETNS=1 BUILD=$(dirname "$(dirname "$VANDREL_SIM")") \
        sh "$(dirname "$0")/../../scripts/demo.sh" > "$WORK/out" 2> "$WORK/err"
    STATUS=$?
    expect_status 0
    expect_out "^7 devices answered$"
    expect_out "^NAME +pump-house$"
    expect_out "^\(exit status 102\)$"
    expect_out "^C2_BAUD +9600$"
    expect_out "^get +C1_BAUD +57600 +ok$"
    expect_out "^ad +inputs 1234, 3071$"
    # Only the wrong password fails, on purpose.
    [ "$(grep -c "^(exit status" "$WORK/out")" -eq 1 ] || fail "a demo step failed"
}

run_case "$1"
