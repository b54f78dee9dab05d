# Help, usage errors and argument checks: no device traffic involved.
. "$(dirname "$0")/lib.sh"

test_help_for_every_command_and_usage_errors() {
    expect_run 0 --help
    expect_out "^usage: vandrel COMMAND"
    expect_out "^  102  wrong password"
    for cmd in search show set restart cmd "firmware download" "firmware erase" at io data; do
        # shellcheck disable=SC2086
        expect_run 0 $cmd --help
        expect_out "^usage: vandrel $cmd "
        expect_out "--json"
    done
    expect_run 0 help show
    expect_out "^usage: vandrel show "
    expect_run 0 firmware --help
    expect_out "^  vandrel firmware erase: "

    # Usage errors: the arguments, then what standard error says (empty: any text).
    while IFS='|' read -r args message <&3; do
        # shellcheck disable=SC2086
        expect_run 2 $args
        [ -z "$message" ] || expect_err "$message"
    done 3<<'CASES'
|
frobnicate|unknown command 'frobnicate'
firmware|vandrel firmware download
show|missing arguments
show 127.0.0.2 --colour|unknown option --colour
show 127.0.0.2 --type|needs a value
show 1.2.3 --type 5|neither an IPv4 address nor a MAC address
show 127.0.0.2 --type 200|unknown device type '200'
set 127.0.0.2 --type 5 NAME=x|--password is required
set 127.0.0.2 --type 5 --password a NAME|is not KEY=VALUE
search --wait forever|
io 127.0.0.3 jump|unknown action 'jump' \(ad, state, dir=N, level=N\)
io 127.0.0.3 dir=256|dir takes a number from 0 to 255, not '256'
data 127.0.0.3 --hex AA0|
CASES
}

run_case "$1"
