# Hand-made broken packets: tshark with the dissector shows each as Vandrel
# with expert info that says what is wrong, and none makes the dissector fail.
. "$(dirname "$0")/../cli/lib.sh"
. "$(dirname "$0")/tshark_alone.sh"

ZEROS=$(printf '00 %.0s' $(seq 256))
B_START="00 02 00 02 02 56 44 00 00 0c"

test_broken_packets_get_expert_info() {
    LAST="text2pcap"
    n=0
    # Each line: transport, device port, direction | bytes | the expert message.
    while IFS='|' read -r where bytes message; do
        n=$((n + 1))
        message=${message# }
        set -- $where
        [ "$3" = to ] && ports=$((40000 + n)),$2 || ports=$2,$((40000 + n))
        [ "$1" = tcp ] && transport=-T || transport=-u
        echo "0000 $bytes" | "$TEXT2PCAP" -q $transport "$ports" -4 127.0.0.1,127.0.0.2 - "$WORK/$n.pcap" \
            || fail "text2pcap"
        printf '%s\t%s\n' "$n" "$message" >> "$WORK/expected"
    done <<CASES
udp 8800 to   | a1 14 05 00 00 ff | an item runs past the end
udp 8800 to   | a1 | an item runs past the end
udp 8800 to   | a1 14 02 00 00 ff 00 | byte 0x00 at 6 where an item should start
udp 8800 from | a1 99 01 00 ff | unknown item code 0x99
udp 8800 from | a1 01 01 05 ee | not FF: the library drops the datagram
udp 8800 from | a1 01 01 05 ff a1 09 00 ff | the value runs past the end of the datagram
udp 8800 from | 00 02 00 02 11 22 | start like a fixed search reply
udp 8800 to   | aa 55 10 00 1a 00 00 00 01 ff 61 70 70 | the packet announces 34 bytes
udp 8800 to   | aa 55 30 00 03 00 00 | too short for a firmware packet
udp 8800 to   | aa 55 30 00 03 00 00 00 00 00 00 | unknown firmware packet type 0x30
udp 8800 from | 4f 4b | not an acknowledgement
udp 8801 to   | 00 02 00 02 02 56 | too short for a family B datagram
udp 8801 to   | $B_START a1 99 00 02 00 00 ff | unknown request
udp 8801 to   | $B_START a1 14 00 02 00 00 | a block read request is 17
udp 8801 from | $B_START a1 14 00 02 00 00 00 00 | a block reply is 271
udp 8801 from | $B_START a1 14 00 02 81 $ZEROS | a block number the library does not keep
tcp 8800 to   | aa 05 00 00 0d | check byte 0x00, should be 0xAF
tcp 8800 to   | aa 09 00 a3 0d | unknown command code 9
tcp 8800 to   | aa 05 00 af 0a | the packet ends with 0A, not 0D
tcp 8800 from | aa 05 04 04 d2 | a command packet runs past the end
tcp 8800 from | 0d 0a 32 5f 50 61 73 73 77 6f 72 64 20 45 72 72 6f 72 0d 0a | device error: wrong password
tcp 8800 to   | 41 54 2b 0d 0a | not an AT command of the library
CASES
    "$MERGECAP" -a -w "$WORK/all.pcap" $(seq -f "$WORK/%g.pcap" $n) || fail "mergecap"
    LAST="tshark"
    tshark_alone -r "$WORK/all.pcap" -T fields -e frame.number -e vandrel.kind \
        -e _ws.expert.message -e _ws.lua.error -e vandrel.fault > "$WORK/out" 2> "$WORK/err"
    [ "$(wc -l < "$WORK/out")" -eq $n ] || fail "not $n packets"
    while IFS="$(printf '\t')" read -r frame message; do
        grep "^$frame	" "$WORK/out" | grep -F "$message" | grep -q "^$frame	[a-zA-Z]" \
            || fail "packet $frame lacks: $message"
    done < "$WORK/expected"
    ! grep -q Lua "$WORK/err" && ! cut -f4- "$WORK/out" | tr -d '\t' | grep -q . || fail "the dissector failed"
}

run_case "$1"
