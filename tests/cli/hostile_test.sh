# The simulator's hostile devices (vandrel-sim --hostile, --search-flood and
# the fleet file's escapes) send what they are told to: chosen bytes reach the
# tool as they were sent, the search flood answers every search afresh and
# the data flood does not stop.
. "$(dirname "$0")/lib.sh"

# The family A name of --hostile, and the family B name and AT NAME, as JSON
# writes them.
NAME_A='\u001b[2J\u001b[H\u0007\r\nfake\u007f\udcff<img src=x onerror=alert(1)>'
NAME_B='\u001b[2J\u0007\r\n<b>x\u007f\udcff'
AT_NAME='\u001b[2J\u001b[H\u0007evil\r\nforged\u007f\udcff<img src=x onerror=alert(1)>'

# Whether stdout holds the line exactly, or the text somewhere.
expect_line() { grep -Fxq -- "$1" "$WORK/out" || fail "stdout lacks the line $1"; }
expect_text() { grep -Fq -- "$1" "$WORK/out" || fail "stdout lacks $1"; }

test_hostile_texts_arrive_as_chosen() {
    sim_ready "$VANDREL_SIM" --hostile
    expect_run 0 show 127.0.0.20 --json
    expect_line "    \"NAME\": \"$NAME_A\","
    expect_run 0 show 02:56:44:00:00:15 --json
    expect_line "    \"NAME\": \"$NAME_B\","
    expect_run 0 at 127.0.0.21 --password admin NAME --json
    expect_text "\"value\": \"$AT_NAME\""
    # The built-in fleet runs beside them.
    expect_run 0 show 127.0.0.2 NAME
    expect_out "serial-5"
}

test_fleet_file_escapes_and_raw_replies() {
    # A raw information reply: TYPE 5, then a NAME of '#', a space, 'a', a
    # backslash and 'b' (a fleet file writes the first two only escaped).
    start_sim <<'FLEET'
family-a 127.0.0.5 type=5 info-reply=\xA1\x01\x01\x05\xFF\xA1\x02\x05\x23\x20a\\b\xFF
FLEET
    expect_run 0 show 127.0.0.5 --json
    expect_line '    "NAME": "# a\\b"'
    printf 'family-a 127.0.0.6 type=5 name=a\\q\n' > "$WORK/bad.txt"
    LAST="vandrel-sim --fleet bad.txt"
    ! "$VANDREL_SIM" --fleet "$WORK/bad.txt" > "$WORK/out" 2> "$WORK/err" || fail "a bad escape was taken"
    expect_err 'line 1: name=a\\q: a backslash starts only'
    printf 'family-b 127.0.0.7 type=32 name=\\x41234567890123456\n' > "$WORK/bad.txt"
    ! "$VANDREL_SIM" --fleet "$WORK/bad.txt" > "$WORK/out" 2> "$WORK/err" || fail "a 16-byte family B name was taken"
    expect_err 'at most 15 bytes'
}

test_search_flood_answers_each_search_afresh() {
    sim_ready "$VANDREL_SIM" --search-flood 300
    # Three requests, each answered with 300 answers never given before.
    expect_run 0 search --wait 600 --json
    expect_out '^  "requests": 3,$'
    found=$(grep -c '"ip": "127\.3\.' "$WORK/out")
    [ "$found" -gt 600 ] || fail "only $found flood answers: not fresh for every search"
    expect_sim_log "127\.3\.0\.1 +crowd +300 fresh answers to a search"
}

test_data_flood_sends_without_end() {
    sim_ready "$VANDREL_SIM" --hostile
    LAST="a reader of 127.0.0.22:8800 for one second"
    python3 - > "$WORK/out" 2> "$WORK/err" <<'READER' || fail "the data flood did not send enough"
import socket, time
s = socket.create_connection(("127.0.0.22", 8800))
first, total, end = b"", 0, time.monotonic() + 1
while time.monotonic() < end:
    chunk = s.recv(1 << 20)
    assert chunk, "the flood closed the connection"
    first = (first + chunk)[:1024] if len(first) < 1024 else first
    total += len(chunk)
print(total, "bytes")
assert first == bytes(range(256)) * 4, "not the bytes 0 to 255 over and over"
assert total > 10_000_000, total
READER
    expect_sim_log "127\.0\.0\.22 +data +sent [0-9]+ bytes to 127\.0\.0\.1"
}

run_case "$1"
