# The sites of a lab host's tests: behind link N (1 to $1) vandrel-sim runs
# a family A device at 198.18.N.2 and a family B device at 198.18.N.3 (MAC
# 02:56:44:12:0N:03, named b-N), logging to $WORK/N.log. Needs WORK, LAB
# (scripts/lab.sh), VANDREL_LAB, VANDREL_SIM and a fail function; the caller
# stops $SITES.
SITES=""
start_sites() {
    n=1
    while [ $n -le "$1" ]; do
        printf 'family-a 198.18.%s.2 type=5\nfamily-b 198.18.%s.3 type=48 name=b-%s\n' $n $n $n > "$WORK/$n.txt"
        sh "$LAB" exec "$VANDREL_LAB" site$n "$VANDREL_SIM" --fleet "$WORK/$n.txt" > "$WORK/$n.log" 2>&1 &
        SITES="$SITES $!"
        sh "$(dirname "$LAB")/sim-ready.sh" "$WORK/$n.log" $! || fail "site $n did not start"
        n=$((n + 1))
    done
}
