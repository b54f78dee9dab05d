# vandrel io and data: the TCP data channels. (The JSON of io is what the
# dashboard's sessions view shows: its browser test reads it.)
. "$(dirname "$0")/lib.sh"

test_io_failures_and_data_answers() {
    start_standard_fleet
    # The firmware receiver takes the connection but never answers a read.
    expect_run 100 io 127.0.0.2 dir=1 ad state
    expect_out "^dir +sent 1$"
    expect_out "^ad +device did not answer$"
    expect_no_out "^state"
    expect_err "ad: device did not answer"
    # data sends and prints the answer.
    expect_run 0 data 127.0.0.3 --hex "AA 05 00 AF 0D"
    expect_out "^sent 5 bytes, received 9:$"
    expect_out "^000000  AA 05 04 04 D2 0B FF 89 0D "
    expect_run 0 data 127.0.0.3 --hex AA0100AB0D --json
    expect_out '"hex": "AA 01 02 05 A0 0C 0D"'
}

run_case "$1"
