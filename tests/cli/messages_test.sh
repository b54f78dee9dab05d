# Mistakes on the command line get a message that says what to give instead:
# a command the device does not take, a device named by the address of the
# other family.
. "$(dirname "$0")/lib.sh"

test_mistakes_say_what_to_give() {
    start_standard_fleet
    expect_run 2 cmd 127.0.0.2 BOGUS
    expect_err "'BOGUS' is not a command of type 5 devices over UDP; they take: RESETDEV, 10TCTRLIO$"
    expect_run 2 cmd 127.0.0.3 RESETDEV10T --tcp
    expect_err "they take: RESETDEV, 10TCTRLIO, GETADC, GETIOSTAT, SETIODIR, SETIOLEVEL$"
    expect_run 2 cmd 02:56:44:00:00:0C GETADC
    expect_err "not a command of type 48 devices over UDP; they take: RESETDEV$"
    expect_run 101 show 127.0.0.12
    expect_err "127\.0\.0\.12 is a family B device \(type 48\), addressed by MAC: give 02:56:44:00:00:0C instead"
    expect_run 101 restart 02:56:44:00:00:02
    expect_err "is a family A device \(type 5\), addressed by IP: give 127\.0\.0\.2 instead"
    expect_no_sim_log "restart|RESETDEV"
}

run_case "$1"
