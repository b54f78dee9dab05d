# The tool against hostile devices (vandrel-sim --hostile): what a device
# sends reaches the terminal escaped, in tables and messages alike (JSON by
# its own rule), and a device that never stops sending gets a bounded read.
. "$(dirname "$0")/lib.sh"

# The names of --hostile's devices and the NAME its AT session answers, as
# a terminal shows them.
NAME_A='\x1b[2J\x1b[H\x07\x0d\x0afake\x7f\xff<img src=x onerror=alert(1)>'
NAME_B='\x1b[2J\x07\x0d\x0a<b>x\x7f\xff'
AT_NAME='\x1b[2J\x1b[H\x07evil\x0d\x0aforged\x7f\xff<img src=x onerror=alert(1)>'

# Neither stdout nor stderr holds a control byte but the line break (C0,
# DEL, or a C1 character in UTF-8), and no line is the rest of a name.
expect_clean() {
    for f in "$WORK/out" "$WORK/err"; do
        ! LC_ALL=C grep -Pq '[\x00-\x09\x0b-\x1f\x7f]|\xc2[\x80-\x9f]' "$f" || fail "$(basename "$f") holds control bytes"
    done
    ! grep -Eq '^(fake|forged|<b>)' "$WORK/out" || fail "a device forged a row"
}

# Runs vandrel (status first, as expect_run), then checks its output.
expect_clean_run() {
    expect_run "$@"
    expect_clean
}
# Some row of stdout starts with the words $1 and holds the text $2.
expect_row() { grep -E "^ *$1 " "$WORK/out" | grep -Fq -- "$2" || fail "stdout lacks the row $1 ... $2"; }
expect_text() { grep -Fq -- "$2" "$WORK/$1" || fail "$1 lacks $2"; }

test_device_text_reaches_the_terminal_escaped_and_a_data_flood_is_cut() {
    sim_ready "$VANDREL_SIM" --hostile
    expect_clean_run 0 search --wait 300
    expect_out '^127\.0\.0\.20 '
    expect_clean_run 0 show 127.0.0.20
    expect_row NAME "$NAME_A"
    expect_clean_run 0 show 127.0.0.20 --json
    expect_text out '"NAME": "\u001b[2J\u001b[H\u0007\r\nfake\u007f\udcff<img src=x onerror=alert(1)>",'
    expect_clean_run 0 show 02:56:44:00:00:15 NAME
    expect_row NAME "$NAME_B"
    # set and apply show the device's value beside the new one, and a
    # backslash of a value given is doubled: the spelling gives the bytes.
    expect_clean_run 0 set 127.0.0.20 --password admin 'NAME=a\b' --dry-run
    expect_row NAME "$NAME_A  a\\\\b"
    printf 'password=admin\n127.0.0.20 NAME=calm\n02:56:44:00:00:15 NAME=calm\n' > "$WORK/plan.txt"
    expect_clean_run 0 apply "$WORK/plan.txt" --dry-run
    expect_row NAME "$NAME_A  ->  calm"
    expect_row NAME "$NAME_B  ->  calm"
    expect_clean_run 0 at 127.0.0.21 --password admin NAME
    expect_row 'get +NAME' "$AT_NAME  ok"
    # Messages: a refusal quotes the value (here with the C1 character CSI),
    # a missing key the name asked for.
    expect_clean_run 2 set 127.0.0.20 --password admin "$(printf 'NAME=x\302\233%020d' 0)"
    expect_text err "store 'x\\xc2\\x9b0000000'"
    expect_clean_run 1 show 127.0.0.20 "$(printf 'NO\033[2JKEY')"
    expect_text err 'NO\x1b[2JKEY'

    # A device that never stops sending is cut at the cap.
    start=$(date +%s)
    expect_clean_run 0 data 127.0.0.22 --wait 5000
    [ $(($(date +%s) - start)) -lt 4 ] || fail "the read went on past the cap"
    expect_out '^sent 0 bytes, received 65536:$'
    expect_out '^00FFF0  F0 F1 F2'
    expect_err 'vandrel data: the answer was cut at 65536 bytes'
    expect_run 0 data 127.0.0.22 --max-bytes 1000
    expect_out '^sent 0 bytes, received 1000:$'
    # The largest cap, and no more.
    start=$(date +%s)
    expect_run 0 data 127.0.0.22 --max-bytes 1048576 --wait 5000 --json
    [ $(($(date +%s) - start)) -lt 6 ] || fail "the read went on past the cap"
    expect_out '^  "received": 1048576,$'
    expect_run 2 data 127.0.0.22 --max-bytes 1048577
    expect_err 'takes a number of bytes from 1 to 1048576'
    # A device that answers and stops (the built-in IO module) is not cut.
    expect_run 0 data 127.0.0.3 --hex "AA 05 00 AF 0D" --json
    expect_out '^  "cut": false,$'
}

run_case "$1"
