# Help, usage errors and argument checks: no device traffic involved.
. "$(dirname "$0")/lib.sh"

test_help_for_every_command() {
    run --help
    expect_status 0
    expect_out "^usage: vandrel COMMAND"
    expect_out "^  102  wrong password"
    for cmd in search show set restart cmd "firmware download" "firmware erase" at io data; do
        # shellcheck disable=SC2086
        run $cmd --help
        expect_status 0
        expect_out "^usage: vandrel $cmd "
        expect_out "--json"
    done
    run help show
    expect_status 0
    expect_out "^usage: vandrel show "
}

test_usage_errors() {
    run
    expect_status 2
    run frobnicate
    expect_status 2
    expect_err "unknown command 'frobnicate'"
    run firmware
    expect_status 2
    expect_err "vandrel firmware download"
    run show
    expect_status 2
    expect_err "missing arguments"
    run show 127.0.0.2 --colour
    expect_status 2
    expect_err "unknown option --colour"
    run show 127.0.0.2 --type
    expect_status 2
    expect_err "needs a value"
    run show 1.2.3 --type 5
    expect_status 2
    expect_err "neither an IPv4 address nor a MAC address"
    run show 127.0.0.2 --type 200
    expect_status 2
    expect_err "unknown device type '200'"
    run set 127.0.0.2 --type 5 NAME=x
    expect_status 2
    expect_err "--password is required"
    run set 127.0.0.2 --type 5 --password a NAME
    expect_status 2
    expect_err "is not KEY=VALUE"
    run search --wait forever
    expect_status 2
    run io 127.0.0.3 jump
    expect_status 2
    expect_err "unknown action 'jump'"
    run io 127.0.0.3 dir=256
    expect_status 2
    run data 127.0.0.3 --hex "AA 0"
    expect_status 2
}

test_usage_error_as_json() {
    run show 127.0.0.2 --type 200 --json
    expect_status 2
    expect_out '"error": "unknown device type'
    expect_out '"code": 0'
}

run_case "$1"
