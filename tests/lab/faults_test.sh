# vandrel on a faulty link (scripts/lab.sh fault): whatever is lost or
# duplicated, an operation either gives the devices' own result or says that
# it failed; no write leaves a device half written and nothing hangs. Random
# faults run a few times each (FAULT_TEST_RUNS, default 2). (Faults at a
# known place, one by one, are the integration tests': their simulated
# device loses or ignores a given datagram on loopback.)
. "$(dirname "$0")/../cli/lib.sh"
. "$(dirname "$0")/fault_runs.sh"
# The lab of the guide's examples is torn down whatever happens.
trap 'fault_stop; sh "$LAB" down "guide$$"; cleanup' EXIT

# Runs every operation under setting $1 and fails on any run that went wrong;
# on a wire that only duplicates, every run must succeed.
expect_no_harm() {
    fault_start || fail "the devices did not start"
    fault_set "$1"
    for op in $FAULT_OPERATIONS; do
        n=0
        while [ $n -lt "${FAULT_TEST_RUNS:-2}" ]; do
            verdict=$(fault_run "$op" $n "$1")
            LAST="$op run $n under $1: $verdict"
            case "$1 $verdict" in *" ok" | loss*" failed" | both*" failed") ;; *) cat "$WORK/faults.log" >&2 && fail "$verdict" ;; esac
            n=$((n + 1))
        done
    done
}

test_loss() { expect_no_harm loss; }
test_duplication() { expect_no_harm dup; }
test_loss_and_duplication() { expect_no_harm both; }

# The commands of docs/faulty-wire.md, on a lab of this test's own.
test_guide_examples() {
    root=$(dirname "$LAB")/..
    # The lab is built first and torn down last, whatever the order in the text.
    grep '^    sh scripts/' "$root/docs/faulty-wire.md" | sed "s/ demo\( \|$\)/ guide$$\1/" > "$WORK/lines"
    { grep ' up ' "$WORK/lines"; grep -v ' up \| down ' "$WORK/lines"; grep ' down ' "$WORK/lines"; } > "$WORK/examples"
    [ "$(wc -l < "$WORK/examples")" -ge 6 ] || fail "the guide's examples were not found"
    while read -r line; do
        LAST=$line
        (cd "$root" && eval "$line") > "$WORK/out" 2> "$WORK/err" || fail "an example of the guide failed"
        cat "$WORK/out" >> "$WORK/printed"
    done < "$WORK/examples"
    LAST="the benchmark's table"
    mv "$WORK/printed" "$WORK/out"
    expect_out '^\| dup=100 \| set-mac \| 1 \| '
    expect_out '^\| loss=10 \| firmware \| 1 \| '
}

run_case "$1"
