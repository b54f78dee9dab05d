# vandrel.exe under Wine on a host with two links (scripts/lab.sh run 2), the
# default route on link 1, with the devices of tests/lab/sites.sh behind
# them, which hear only datagrams sent to 255.255.255.255. A search leaves by
# each link from the link's own address; VANDREL_INTERFACES or --interface
# naming one link by its adapter's name keeps it there.
# Run by scripts/windows.sh with WINE, VANDREL (vandrel.exe), VANDREL_SIM and
# LAB (scripts/lab.sh) set.
set -eu
WORK=$(mktemp -d)
. "$(dirname "$0")/../lab/sites.sh"
trap 'for p in $SITES; do kill -TERM "$p"; wait "$p"; done 2>/dev/null; rm -rf "$WORK"' EXIT
fail() {
    echo "FAILED: $*" >&2
    cat "$WORK"/out "$WORK"/?.log >&2
    exit 1
}
# Wine's console ends lines with CR LF.
run() { $WINE "$VANDREL" "$@" | tr -d '\r' > "$WORK/out"; }
heard() { sleep 0.2; grep -c "search from $2" "$WORK/$1.log" || true; }  # the simulator logs every 100 ms

start_sites 2
run interfaces
grep -q "^link1 *198\.18\.1\.1 *198\.18\.1\.255$" "$WORK/out" && grep -q "^link2 *198\.18\.2\.1 " "$WORK/out" ||
    fail "the links are not listed by name"
run search --wait 500
grep -q "^4 devices answered$" "$WORK/out" || fail "the search did not reach both links"
# The search is sent again while the wait lasts, so a link hears it one or
# more times, and only from its own address.
all1=$(heard 1 "") all2=$(heard 2 "")
[ "$all1" -ge 2 ] && [ "$(heard 1 198.18.1.1)" = "$all1" ] && [ "$all2" -ge 2 ] && [ "$(heard 2 198.18.2.1)" = "$all2" ] ||
    fail "a link did not hear it, or heard it from another address"
export VANDREL_INTERFACES=link2
run search --wait 300
grep -q "^2 devices answered$" "$WORK/out" && ! grep -q "^198\.18\.1\." "$WORK/out" || fail "link2 alone did not answer"
[ "$(heard 1 "")" = "$all1" ] && [ "$(heard 2 198.18.2.1)" -gt "$all2" ] || fail "VANDREL_INTERFACES=link2 was not kept to"
# --interface sets the variable for the library while the tool runs.
run search --wait 300 --interface link1
grep -q "^2 devices answered$" "$WORK/out" && ! grep -q "^198\.18\.2\." "$WORK/out" || fail "link1 alone did not answer"
echo "vandrel.exe on two links: a search leaves by each from its address, by link2 alone with" \
    "VANDREL_INTERFACES=link2 and by link1 alone with --interface link1"
