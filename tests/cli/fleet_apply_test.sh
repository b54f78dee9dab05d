# vandrel apply: a plan across a mixed fleet, with devices that fail, plans
# that are wrong, and Ctrl-C part way.
. "$(dirname "$0")/lib.sh"

test_apply_across_a_mixed_fleet_with_failures() {
    start_sim <<'FLEET'
family-a  127.0.0.2  type=5  name=serial-5 password=admin
family-a  127.0.0.3  type=7  name=io-10t   password=admin
family-a  127.0.0.4  type=17 name=can-17   password=admin
family-a  127.0.0.5  type=5  name=locked   password=secret
family-a  127.0.0.6  type=5  name=fading   password=admin silent-after=2
family-b  127.0.0.12 type=48 name=four-ports password=admin at-port=none
FLEET
    cat > "$WORK/plan.txt" <<'PLAN'
password=admin
127.0.0.2 NAME=pump-1 C1_BAUD=7
127.0.0.3 NAME="tank 2"
type=17 CANBAUD1=500000
127.0.0.5 NAME=pump-5
127.0.0.6 NAME=pump-6
127.0.0.9 NAME=ghost
02:56:44:00:00:0C NAME=four C2_BAUD=9600
PLAN
    expect_run 1 apply "$WORK/plan.txt" --jobs 4
    expect_out "^  C2_BAUD +115200 +-> +9600$"
    expect_out "^127\.0\.0\.2 +5 \(A, serial\) +ok +2 written and read back$"
    expect_out "^127\.0\.0\.3 +7 \(A, 10T\) +ok "
    expect_out "^127\.0\.0\.4 +17 \(A, CAN\) +ok "
    expect_out "^127\.0\.0\.5 .* failed +wrong password; nothing written$"
    # It stops answering after the write: the library's read-back gets nothing.
    expect_out "^127\.0\.0\.6 .* failed +written; not confirmed by reading the device back: NAME$"
    expect_out "^127\.0\.0\.9 +- +not found +did not answer the search$"
    expect_out "^02:56:44:00:00:0C +48 \(B, 4 ports\) +ok +2 written and read back$"
    expect_out "^7 devices: 4 ok, 2 failed, 1 not found$"
    run show 127.0.0.3 NAME
    expect_out "^NAME +tank 2$"
}

# A device's own password and settings beat a selector's, which beat
# --password and the plan's own; --password beats the plan's.
test_plan_precedence() {
    start_sim <<'FLEET'
family-a  127.0.0.2  type=5  name=serial   password=admin
family-a  127.0.0.4  type=17 name=can      password=admin
family-a  127.0.0.5  type=5  name=locked   password=secret
FLEET
    cat > "$WORK/plan.json" <<'PLAN'
{"password": "wrong", "settings": {"NAME": "plan"},
 "devices": [
  {"ip": "127.0.0.5", "password": "secret", "settings": {"NAME": "own"}},
  {"ip": "127.0.0.4", "type": 17},
  {"type": 5, "password": "admin", "settings": {"NAME": "selected"}}
 ]}
PLAN
    expect_run 0 apply "$WORK/plan.json" --password admin
    expect_out "^3 devices: 3 ok"
    for device_name in 5:own 2:selected 4:plan; do
        run show "127.0.0.${device_name%:*}" NAME
        expect_out "^NAME +${device_name#*:}$"
    done
}

test_bad_plans_write_nothing_and_a_plan_may_start_with_a_byte_order_mark() {
    start_standard_fleet
    printf '{"devices": [\n  {"ip": "127.0.0.2", "settings": {"NAME": tru}}]}\n' > "$WORK/plan"
    expect_run 2 apply "$WORK/plan" --password admin
    expect_err "plan: line 2, column 4[0-9]: syntax error"
    printf '127.0.0.2 NAME=a\n127.0.0.2 NAME=b\n' > "$WORK/plan"
    expect_run 2 apply "$WORK/plan" --password admin
    expect_err "127\.0\.0\.2 is named twice in the plan \(line 1 and line 2\)"
    printf '127.0.0.2 type=5 NAME=a\n127.0.0.3 type=7 NOSUCHKEY=1\n' > "$WORK/plan"
    expect_run 2 apply "$WORK/plan" --password admin --json
    expect_out '"refused": \[$'
    expect_out '"NOSUCHKEY: not a key of this device"'
    # C1_BAUD is a one-byte code on family A and bits per second on family B.
    printf '{"password": "admin", "settings": {"C1_BAUD": "9"}, "devices": [{"ip": "127.0.0.2"},
      {"mac": "02:56:44:00:00:0C"}, {"ip": "127.0.0.4"}]}' > "$WORK/plan"
    expect_run 2 apply "$WORK/plan"
    expect_out "refused: C1_BAUD=9: a setting for every device of the plan, which this one \(family A\) takes as 0 = 300 bit/s, .* or 9 = 115200 bit/s and its family B devices as a number from 50 to 921600 \(bit/s\): give it per device"
    expect_out "refused: C1_BAUD=9: .*\(family B\) takes as a number from 50 to 921600 \(bit/s\) and its family A devices as 0 = 300 bit/s, "
    expect_out "refused: C1_BAUD: not a key of this device"
    printf '# nothing yet\n' > "$WORK/plan"
    expect_run 2 apply "$WORK/plan" --password admin
    expect_err "plan: the plan names no device"
    expect_run 2 apply /dev/zero --dry-run
    expect_err "the plan '/dev/zero' holds more than 16 MiB"
    expect_no_sim_log "write of"
    # Some editors put a byte order mark first: still a JSON plan. (That the
    # JSON report is one document, the dashboard's apply reads: its tests.)
    printf '\357\273\277{"devices": [{"ip": "127.0.0.2", "type": 5, "settings": {"NAME": "bom"}}]}' > "$WORK/plan"
    expect_run 0 apply "$WORK/plan" --password admin --dry-run
    expect_out "NAME +serial-5 +-> +bom$"
}

test_ctrl_c_stops_an_apply_between_devices() {
    "$VANDREL_SIM" --print-fleet --fleet-size 8 | grep family-a > "$WORK/generated.txt"
    start_sim < "$WORK/generated.txt"  # not in a pipe: its subshell would lose SIM_PID
    awk '/^family-a/ { printf "%s type=%s NAME=new-%d\n", $2, $6, NR }' "$WORK/sim.log" > "$WORK/plan"
    LAST="vandrel apply --jobs 1 (then Ctrl-C)"
    "$VANDREL" apply "$WORK/plan" --password admin --jobs 1 > "$WORK/out" 2> "$WORK/err" &
    pid=$!
    expect_sim_log "write of items" 10
    kill -INT $pid
    wait $pid
    STATUS=$?
    expect_status 130
    expect_out " ok +1 written and read back$"
    expect_out " not done +interrupted before it was written$"
    expect_err "interrupted; the table says what was done"
}

run_case "$1"
