# tshark with the dissector reads a capture, made in this test's namespace,
# of the demo and of the vandrel tool's other requests: every packet shows as
# Vandrel of the right kind, and its fields are what the library sent and
# received (the demo prints what the library reported).
. "$(dirname "$0")/../cli/lib.sh"
. "$(dirname "$0")/tshark_alone.sh"

CAP_PID=""
trap '[ -z "$CAP_PID" ] || kill -INT "$CAP_PID"; cleanup' EXIT

capture() {
    "$DUMPCAP" -q -i lo -w "$WORK/cap.pcapng" 2> "$WORK/dumpcap.err" &
    CAP_PID=$!
    until grep -q "Capturing on" "$WORK/dumpcap.err"; do sleep 0.05; done
    LAST="scripts/demo.sh"
    VANDREL_DEMO_IN_NETNS=1 BUILD=$(dirname "$(dirname "$VANDREL_SIM")") \
        sh "$(dirname "$0")/../../scripts/demo.sh" > "$WORK/demo.out" 2>&1 || fail "the demo failed"
    start_sim <<'FLEET'
family-a  127.0.0.3  type=7 name=io-10t password=admin search=items
io-module 127.0.0.3  port=8800 adc=1,2 io=3,4
firmware  127.0.0.4  port=8810 transport=udp
family-b  127.0.0.10 type=32 name=one-port password=admin
FLEET
    run search --wait 200
    run cmd 127.0.0.3 RESETDEV10T 1 --type 7
    run firmware erase 127.0.0.4 --port 8810 --type 17
    run at 127.0.0.10 --password wrong C1_BAUD
    run at 127.0.0.10 --password admin C1_D1=26 C1_D1 NOSUCH
    run data 127.0.0.3 hello --wait 300
    sleep 0.2
    kill -INT "$CAP_PID" && wait "$CAP_PID"
    CAP_PID=""
}

shark() {
    tshark_alone -r "$WORK/cap.pcapng" -d udp.port==8810,vandrel -T fields \
        -E aggregator='|' "$@" 2>> "$WORK/err"
}

# fields KINDS FIELD...: the fields of the packets of a kind that matches the
# regular expression KINDS, a tab-separated line each.
fields() {
    kinds=$1
    shift
    shark -Y "vandrel.kind matches \"^($kinds)\$\"" $(printf -- ' -e %s' "$@")
}

expect_same() {
    [ "$2" = "$3" ] || { printf 'decoded:\n%s\nexpected:\n%s\n' "$2" "$3" > "$WORK/out"; fail "$1"; }
}

# The lines as one, fields parted by a space and lines by a comma.
joined() { tr -s '\t' ' ' | sed 's/^ //; s/ $//' | tr '\n' ,; }

# "KEY VALUE" lines of the key and value fields of a line.
pairs() { awk -F'\t' '{ n = split($1, k, "|"); split($2, v, "|"); for (i = 1; i <= n; i++) print k[i], v[i] }'; }

# The KEY VALUE lines the demo's "vandrel show ADDRESS..." printed.
shown() { sed -n "/^\\\$ vandrel show $1/,/^\\\$/p" "$WORK/demo.out" | grep -E '^[A-Z0-9_]+ ' | grep -v '^KEY'; }

test_capture_of_the_demo_decodes_as_the_library_saw_it() {
    capture
    # A request without answer is sent again, so on a loaded machine a late
    # answer may find its socket closed: the ICMP message that says so
    # carries the answer's UDP header, and is not Vandrel's.
    strangers=$(shark -Y '(udp || tcp.len > 0) && !vandrel && !icmp' -e frame.number | tr '\n' ' ')
    # Which packets, in whole, so that one seen once can be told.
    [ -z "$strangers" ] || tshark_alone -r "$WORK/cap.pcapng" -d udp.port==8810,vandrel -V -x \
        -Y "frame.number in {$strangers}" 2>&1 | head -c 20000 >&2
    expect_same "packets not Vandrel" "$strangers" ""
    expect_same "broken packets" "$(shark -Y 'vandrel.fault || _ws.lua.error || _ws.malformed || vandrel.malformed
        || vandrel.unknown || vandrel.unexpected || vandrel.checksum' -e frame.number)" ""
    expect_same "kinds" "$(shark -Y vandrel -e vandrel.kind | tr '|' '\n' | sort -u | tr '\n' ,)" "AT command,AT reply,\
IO command,IO reply,block read request,block reply,block write request,command,data channel,firmware answer,\
firmware chunk,firmware manifest,fixed search reply,information reply,information request,restart request,\
search reply,search request,write request,"

    # Every item of the first information reply, as the tool listed it.
    expect_same "information reply" "$(fields 'information reply' ip.src vandrel.item.key vandrel.item.value \
        | grep -m1 '^127.0.0.2' | cut -f2- | pairs | grep -v '^PASS \|^COM1_ENABLEST ')" \
        "$(shown 127.0.0.2$ | awk '{print $1, $2}')"
    expect_same "write request" "$(fields 'write request' vandrel.item.key vandrel.item.value)" \
        "NAME|C1_BAUD	pump-house|7"
    expect_same "command" "$(fields command vandrel.item.key vandrel.item.value)" "RESETDEV10T	1"
    expect_same "search reply" "$(fields 'search reply' ip.src vandrel.item.key | cut -d'|' -f1-3)" \
        "127.0.0.3	TYPE|IP|MAC"

    # Every family B request: its MAC, block and kind; the values written and read.
    expect_same "family B MAC" "$(fields '(block|restart).*request' vandrel.b.mac | sort -u)" "02:56:44:00:00:0c"
    expect_same "family B requests" "$(fields '(block|restart).*request' vandrel.b.block vandrel.kind | joined \
        | sed 's/ request//g; s/block //g')" "0 read,2 read,3 read,4 read,5 read,0 read,2 read,3 read,4 read,\
5 read,0 read,3 write,3 read,129 restart,0 read,2 read,3 read,4 read,5 read,"
    write=$(fields 'block write request' vandrel.b.key vandrel.b.value | pairs)
    echo "$write" | grep -qx "C2_BAUD 9600" && echo "$write" | grep -qx "C2_D2 12" || fail "block write request"
    replies=$(fields 'block reply' vandrel.b.key vandrel.b.value | pairs)
    shown 02:56:44:00:00:0C | awk '{print $1, $2}' | while read -r pair; do
        echo "$replies" | grep -qx "$pair" || fail "no block reply holds $pair"; done

    # The IO packets, however TCP cut them into segments. vandrel io closes
    # its channel right after its last command, with replies unread: every
    # command still leaves, and a reply that the device writes after the
    # channel has answered an earlier one with a reset may not.
    fields 'IO command' vandrel.io.cmd | tr '|\n' ,, | grep -Eqx '5,5,1,1,2,3,' || fail "IO commands"
    fields 'IO reply' vandrel.io.cmd | tr '|\n' ,, | grep -Eqx '5,5,1,(1,(2,(3,)?)?)?' || fail "IO replies"
    fields 'IO reply' vandrel.io.readings | tr '|\n' '  ' | tr -s ' ' | grep -Eqx ' ?1234,3071 1234,3071 5,160 (5,160 )?' \
        || fail "IO readings"
    login="write|write|login MODE|ECHO|LOGIN 0|0"
    expect_same "AT commands" "$(fields 'AT command' vandrel.at.command vandrel.at.key vandrel.at.value | joined)" \
        "$login|admin,login check,read C1_BAUD,write C1_BAUD 57600,read C1_BAUD,exit EXIT,$login|wrong,\
login check,$login|admin,login check,write C1_D1 0x1A,read C1_D1,read NOSUCH,exit EXIT,"
    expect_same "AT replies" "$(fields 'AT reply' vandrel.at.value vandrel.at.result vandrel.at.error | joined)" \
        "OK|OK|OK,OK,115200 OK,OK,57600 OK,OK,OK|OK|wrong password 102,ERROR,OK|OK|OK,OK,OK,26 OK,\
invalid command 106,OK,"
    expect_same "firmware" "$(fields 'firmware.*' vandrel.fw.count vandrel.fw.name vandrel.fw.size \
        vandrel.fw.address vandrel.fw.offset vandrel.fw.ack | joined)" "1 app.bin 3000 0x00020000,\
1,0,1,512,1,1024,1,1536,1,2048,1,2560,1,0,1,"
    expect_same "data channel" "$(fields 'data channel' vandrel.data)" "68656c6c6f"
    ! grep -q Lua "$WORK/err" || fail "Lua errors"
}

run_case "$1"
