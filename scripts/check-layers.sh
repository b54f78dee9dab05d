#!/bin/sh
# Checks that the library's layers include one another one way only: a file
# under src/ may include the headers of its own folder and of the folders of
# lower layers, never of a higher layer or of another folder of its own layer.
# Then that the programs built on the library reach into src/ only where they
# may: the tools and benchmarks are hosts of the public headers, and besides
# them the vandrel tool includes the codec's header, the interface
# listing's, the platform's (for the per-device lock files alone) and the
# fleet database's (tools/fleetdb, which includes nothing
# of the project's but its own), the dissector's generator the codec's and the wire layouts.
# System headers (<...>) are not looked at. Prints every include that breaks
# the rule and fails; prints nothing and succeeds when there is none.
#
#   sh scripts/check-layers.sh [SRC_DIR]    (default: src of this checkout)
. "$(dirname "$0")/help.sh"
set -e
cd "$(dirname "$0")/.."
SRC=${1:-src}

# The layers, lowest first: layer number, then the folder (or the public
# header) under src/. Every folder of src/ has a row; a subfolder belongs to
# the row of the longest folder that holds it.
LAYERS='
0 base              text, the bounds-checked reader, sleeping
1 codec             the key tables and value codecs of both families
1 net               sockets and their notifications, per platform
2 vandrel.h         the public header: result codes and buffer sizes
2 rules             the setting checks of libvandrel-rules, over the codecs
3 at_session        the AT-command configuration session
3 command_packets   device command packets and the IO-module operations
4 core              the device-type handler interface and the registry
5 devices/family_a  family A devices
5 devices/family_b  family B devices
6 context           the state of one host: the concrete families, the session, the lock
6 fleet             many device operations at once on a loop and thread of their own
7 api               the exports on the default context, load and unload
'

find "$SRC" -type f \( -name '*.h' -o -name '*.cpp' \) | sort | xargs awk -v src="$SRC/" -v layers="$LAYERS" '
BEGIN {
    n = split(layers, rows, "\n")
    for (i = 1; i <= n; i++) {
        if (split(rows[i], f, " ") < 2) continue
        rank[f[2]] = f[1]
    }
}
# The table row that holds path: the longest folder it lies in.
function row_of(path,    name, best) {
    best = ""
    for (name in rank)
        if ((path == name || index(path, name "/") == 1) && length(name) > length(best)) best = name
    return best
}
FNR == 1 {
    file = substr(FILENAME, length(src) + 1)
    own = row_of(file)
    if (own == "") { printf "%s: its folder has no layer in scripts/check-layers.sh\n", FILENAME; bad = 1 }
}
/^[ \t]*#[ \t]*include[ \t]*"/ {
    if (own == "") next
    header = $0
    sub(/^[^"]*"/, "", header)
    sub(/".*$/, "", header)
    # A bare name is a header of the file'"'"'s own folder, except the public one.
    if (header != "vandrel.h" && index(header, "/") == 0) next
    target = row_of(header)
    if (target == "") { printf "%s:%d: includes \"%s\", which has no layer\n", FILENAME, FNR, header; bad = 1; next }
    if (target == own || rank[target] + 0 < rank[own] + 0) next
    printf "%s:%d: %s (layer %s) includes \"%s\" (%s, layer %s)\n", FILENAME, FNR, own, rank[own], header, target, rank[target]
    bad = 1
}
END { exit bad }
' || exit 1

# The folders outside src/ and the headers of src/ (or of the simulator, for
# the benchmarks' network check, or of the tool, for its dashboard, or of
# the fleet database, for the tool, the dashboard and its benchmark) each may
# include, besides its own headers and the public ones (include/).
HOSTS='
tools/cli        codec/codec.h net/interfaces.h fleet_db.h fleet_front_end.h
tools/fleetdb
tools/web        codec/codec.h records.h device.h fleet_db.h fleet_choice.h commands.h hex_bytes.h interrupt.h json_read.h key_rules.h options.h status.h time_text.h workers.h apply_devices.h device_batch.h plan_meaning.h rollout_rules.h run_lock.h
tools/sim
tools/wireshark  codec/codec.h devices/family_a/datagram_command.h devices/family_a/firmware/firmware_packets.h devices/family_a/family_a_handler.h devices/family_a/item_frame.h devices/family_a/search_reply.h devices/family_b/block_protocol.h command_packets/command_packet.h
bench            sim_net.h fleet_db.h
'
echo "$HOSTS" | while read -r folder allowed; do
    [ -n "$folder" ] || continue
    for file in $(find "$folder" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.c' \) | sort); do
        grep -n '^[ \t]*#[ \t]*include[ \t]*"' "$file" | while IFS= read -r line; do
            header=${line#*\"}
            header=${header%%\"*}
            [ -e "$(dirname "$file")/$header" ] || [ -e "include/$header" ] && continue
            case " $allowed " in *" $header "*) continue ;; esac
            echo "$file:${line%%:*}: includes \"$header\", which $folder may not"
        done
    done
done | grep . && exit 1
exit 0
