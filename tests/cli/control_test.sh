# A line break in a key, a value or a password would end an AT command and
# start another, or break a table of settings: such text is refused before
# anything is sent, through every route of the tool.
. "$(dirname "$0")/lib.sh"

NL='
'
CR=$(printf '\r')

test_line_breaks_are_refused_unsent_unless_forced_into_a_datagram() {
    start_standard_fleet
    expect_run 2 at 127.0.0.10 --password admin C1_BAUD "NAME=x${CR}${NL}AT+C1_BAUD=1200" C1_BAUD
    expect_err "refused, nothing sent: NAME: the value holds a control character \(0x0D\): refused"
    expect_run 2 at 127.0.0.10 --password "admin${CR}${NL}AT+RESET=admin" NAME
    expect_err "PASS: the value holds a control character \(0x0D\)"
    expect_no_sim_log " at "
    expect_run 2 set 127.0.0.2 --password admin "NAME=a${NL}b"
    expect_err "NAME: the value holds a control character \(0x0A\): refused"
    printf 'password=admin\n127.0.0.2 NAME="a\tb"\n' > "$WORK/plan.txt"
    expect_run 2 apply "$WORK/plan.txt"
    expect_out "NAME: the value holds a control character \(0x09\)"
    expect_no_sim_log "write of"
    expect_run 0 set 127.0.0.2 --password admin "NAME=a${NL}b" --force --verify
    expect_err "warning: sent anyway: NAME: the value holds a control character \(0x0A\)"
    # A NUL would cut the value where it becomes a C string: not even --force.
    printf '{"settings": {"NAME": "a\\u0000b"}}\n' > "$WORK/nul.json"
    expect_run 2 set 127.0.0.2 --password admin --from "$WORK/nul.json" --force
    expect_err "NAME: the value holds a control character \(0x00\): refused"
}

run_case "$1"
