# Runs of every vandrel operation on a faulty link, each judged against what
# the simulated devices hold. Shared by the fault tests and
# scripts/bench-faults.sh. Needs VANDREL, VANDREL_SIM, LAB (scripts/lab.sh),
# VANDREL_LAB (a lab host, where this runs) and WORK (a folder of its own).
#
# Behind link 1: a family A serial device (198.18.1.2), a family B 4-port
# device with its AT session (198.18.1.3, MAC 02:56:44:12:01:03), a UDP
# firmware receiver (198.18.1.4), a family B 8-port device (198.18.1.5), and
# the devices that the writes change: family A at 198.18.1.6 and a family B
# 4-port device at 198.18.1.7.
#
# A run ends as one of:
#   ok       exit status 0 and the right result
#   failed   a failure that says so (any other exit status), nothing harmed
#   wrong    exit status 0 with a result the devices do not hold
#   half     a write that left some of its keys written and some not
#   hang     not ended within FAULT_RUN_LIMIT seconds

LC_ALL=C
export LC_ALL
FAULT_OPERATIONS="search show-ip show-mac4 show-mac8 set-ip set-mac at firmware"
FAULT_SETTINGS="loss dup both"
FAULT_RUN_LIMIT=${FAULT_RUN_LIMIT:-20}
MAC4=02:56:44:12:01:03
MAC8=02:56:44:12:01:05
WRITTEN_MAC=02:56:44:12:01:07

# The faults of a named setting, as scripts/lab.sh fault takes them.
fault_setting() {
    case "$1" in
    clean) ;;
    loss) echo "loss=10" ;;
    dup) echo "dup=100" ;;
    both) echo "dup=10 loss=10" ;;
    *) echo "unknown fault setting $1" >&2 && return 2 ;;
    esac
}

# Puts setting $1 on link 1 (clean clears it); the extra arguments are
# further faults.
fault_set() {
    setting=$1
    shift
    # shellcheck disable=SC2046
    sh "$LAB" fault "$VANDREL_LAB" 1 $(fault_setting "$setting") "$@"
}

# The command of each operation. Writes alternate between two sets of values
# (the run's number picks one) so that each run changes what it writes.
fault_command() {
    case "$1" in
    search) echo "search" ;;
    show-ip) echo "show 198.18.1.2" ;;
    show-mac4) echo "show $MAC4" ;;
    show-mac8) echo "show $MAC8" ;;
    set-ip) echo "set 198.18.1.6 --password admin --verify $(fault_values set-ip "$2")" ;;
    set-mac) echo "set $WRITTEN_MAC --password admin --verify $(fault_values set-mac "$2")" ;;
    at) echo "at 198.18.1.3 --password admin NAME C2_BAUD IP" ;;
    firmware) echo "firmware download 198.18.1.4 --type 17 --port 8810 $WORK/app.bin $WORK/boot.bin" ;;
    esac
}

# What a write of run $2 stores; its keys lie in two blocks of a family B
# device, so that a write that stops part way shows.
fault_values() {
    case "$1:$(($2 % 2))" in
    set-ip:0) echo "NAME=even C1_BAUD=9" ;;
    set-ip:1) echo "NAME=odd C1_BAUD=7" ;;
    set-mac:0) echo "NAME=even C2_BAUD=9600" ;;
    set-mac:1) echo "NAME=odd C2_BAUD=19200" ;;
    esac
}

# Starts the devices behind link 1 and records, on a clean wire, what each
# read prints; the reads of later runs are compared with it line for line,
# in any order (a family B device's settings come in the order its blocks
# arrive, and a block asked for again arrives late).
fault_start() {
    cat > "$WORK/site.txt" <<'FLEET'
family-a  198.18.1.2  type=5  name=serial password=admin
family-b  198.18.1.3  type=48 name=four   password=admin at-port=8800
firmware  198.18.1.4  port=8810 transport=udp
family-b  198.18.1.5  type=64 name=eight  password=admin
family-a  198.18.1.6  type=5  name=written password=admin
family-b  198.18.1.7  type=48 name=written password=admin
FLEET
    head -c 1000 /dev/urandom > "$WORK/app.bin"
    head -c 1600 /dev/urandom > "$WORK/boot.bin"
    sh "$LAB" exec "$VANDREL_LAB" site1 "$VANDREL_SIM" --fleet "$WORK/site.txt" > "$WORK/sim.log" 2>&1 &
    FAULT_SIM=$!
    sh "$(dirname "$LAB")/sim-ready.sh" "$WORK/sim.log" "$FAULT_SIM" || return 1
    fault_set clean
    for op in show-ip show-mac4 show-mac8 at; do
        # shellcheck disable=SC2046
        timeout 20 "$VANDREL" $(fault_command $op 0) > "$WORK/out" || return 1
        sort "$WORK/out" > "$WORK/$op.expected"
    done
    # The writes start from the values of run 1, so that run 0 changes them.
    for op in set-ip set-mac; do
        # shellcheck disable=SC2046
        timeout 20 "$VANDREL" $(fault_command $op 1) > /dev/null || return 1
    done
    for d in 2:5 3:48 5:64 6:5 7:48; do
        echo "198.18.1.${d%:*} 02:56:44:12:01:0${d%:*} ${d#*:}"
    done > "$WORK/search.expected"
}

fault_stop() {
    [ -z "${FAULT_SIM:-}" ] || { kill -TERM "$FAULT_SIM" 2>/dev/null; wait "$FAULT_SIM" 2>/dev/null; }
    FAULT_SIM=""
}

# Runs operation $1 (run number $2) once under the faults now on the link and
# prints how it ended. A write and a firmware download are then judged on a
# clean wire, and the setting $3 is put back. Details of every run that is
# not ok or failed go to $WORK/faults.log.
fault_run() {
    op=$1
    n=$2
    before=$(wc -l < "$WORK/sim.log")
    status=0
    # shellcheck disable=SC2046
    timeout "$FAULT_RUN_LIMIT" "$VANDREL" $(fault_command "$op" "$n") > "$WORK/out" 2> "$WORK/err" || status=$?
    if [ $status -eq 124 ] || [ $status -eq 137 ]; then
        verdict=hang
    else
        case "$op" in
        set-*) fault_set clean && verdict=$(fault_judge_write "$op" "$n" $status) && fault_set "$3" ;;
        firmware) verdict=$(fault_judge_firmware "$before" $status) ;;
        *) verdict=$(fault_judge_read "$op" $status) ;;
        esac
    fi
    if [ "$verdict" != ok ] && [ "$verdict" != failed ]; then
        {
            echo "== $verdict: $op run $n under $3, exit status $status"
            cat "$WORK/out" "$WORK/err"
        } >> "$WORK/faults.log"
    fi
    echo "$verdict"
}

fault_judge_read() {
    [ "$2" -eq 0 ] || { echo failed && return; }
    if [ "$1" = search ]; then
        # Every device once, with its own addresses and type.
        sed -n 's/^\([0-9.]*\) \+\([0-9A-F:]*\) \+\([0-9]*\) .*/\1 \2 \3/p' "$WORK/out" | sort > "$WORK/found"
        if [ -n "$(sort -u "$WORK/found" | comm -23 - "$WORK/search.expected")" ] ||
            [ "$(sort -u "$WORK/found" | wc -l)" -ne "$(wc -l < "$WORK/found")" ]; then
            echo wrong
        elif cmp -s "$WORK/found" "$WORK/search.expected"; then
            echo ok
        else
            echo failed  # a device missing, and said so in the count
        fi
    elif sort "$WORK/out" | cmp -s - "$WORK/$1.expected"; then
        echo ok
    else
        echo wrong
    fi
}

# A write is read back on a clean wire: all of its values, or (when it
# failed) all or none of them.
fault_judge_write() {
    address=$(fault_command "$1" "$2" | cut -d' ' -f2)
    keys=$(fault_values "$1" "$2" | sed 's/=[^ ]*//g')
    timeout 20 "$VANDREL" show "$address" $keys > "$WORK/held" 2>&1 || { echo failed && return; }
    written=0
    kept=0
    for kv in $(fault_values "$1" "$2"); do
        if grep -Eq "^${kv%%=*} *[:=]? *${kv#*=}\$" "$WORK/held"; then
            written=$((written + 1))
        else
            kept=$((kept + 1))
        fi
    done
    if [ $kept -eq 0 ]; then
        echo ok
    elif [ $written -gt 0 ]; then
        echo half
    elif [ "$3" -eq 0 ]; then
        echo wrong
    else
        echo failed
    fi
}

# A download reported done must have brought every chunk of every image
# since its last manifest.
fault_judge_firmware() {
    [ "$2" -eq 0 ] || { echo failed && return; }
    sleep 0.25  # the simulator logs in 100 ms ticks
    tail -n +$(($1 + 1)) "$WORK/sim.log" | sed -n '/firmware *manifest/,$p' |
        sed -n 's/.*chunk of image \([0-9]*\) at offset \([0-9]*\),.*/\1 \2/p' | sort -u > "$WORK/chunks"
    if printf '0 0\n0 512\n1 0\n1 512\n1 1024\n1 1536\n' | sort | cmp -s - "$WORK/chunks"; then
        echo ok
    else
        echo wrong
    fi
}
