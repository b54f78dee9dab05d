# The tool as a whole: its versions, and Ctrl-C ending a command cleanly.
. "$(dirname "$0")/lib.sh"

# Runs vandrel in the background and sends it SIGINT once the simulator has
# logged a line matching $1.
interrupt_when() {
    pattern=$1
    shift
    LAST="vandrel $* (then Ctrl-C)"
    "$VANDREL" "$@" > "$WORK/out" 2> "$WORK/err" &
    pid=$!
    expect_sim_log "$pattern"
    sleep 0.3
    kill -INT $pid
    wait $pid
    STATUS=$?
}

# The versions of tool and library; Ctrl-C leaves an AT session with its
# exit line, and ends a search with what answered.
test_versions_and_ctrl_c() {
    expect_run 0 --version
    expect_out "^vandrel [0-9]+\.[0-9]+\.[0-9]+$"
    expect_out "^libvandrel [0-9]+\.[0-9]+\.[0-9]+ \(/.*libvandrel\.so\."
    start_standard_fleet
    # shellcheck disable=SC2046
    interrupt_when "AT\+LOGIN=admin" at 127.0.0.10 --type 32 --password admin $(yes NAME | head -200)
    expect_status 130
    expect_err "interrupted after [0-9]+ of 200 steps; the session was left with its exit line"
    expect_sim_log "127\.0\.0\.10 +at +AT\+EXIT"
    interrupt_when "broadcast search" search --wait 20000
    expect_status 130
    expect_out "^127\.0\.0\.2 "
    expect_err "interrupted: [0-9]+ devices answered before it"
}

run_case "$1"
