# vandrel firmware rollout: a canary that fails, a second wave past its
# failures, a rollout killed mid-wave (none other starting beside it) and
# resumed, one to a version the devices already run, and a downgrade; the
# simulator's log tells which devices got a whole download, and how often.
. "$(dirname "$0")/lib.sh"

# Eight family A devices at 127.0.0.2-9 on version 1.05, which a restart
# keeps away for two seconds; each argument ADDRESS=FAULT gives one of them
# a firmware fault.
start_rollout_fleet() {
    for n in 2 3 4 5 6 7 8 9; do
        case " $* " in
            *" 127.0.0.$n="*) fault=$(echo " $* " | sed "s/.* 127\.0\.0\.$n=\([^ ]*\) .*/\1/") ;;
            *) fault=none ;;
        esac
        echo "family-a 127.0.0.$n type=5 name=dev-$n password=admin restart-ms=2000 firmware=$fault"
    done > "$WORK/rollout-fleet.txt"
    # Not from a pipe: start_sim keeps the simulator's process in this shell.
    start_sim < "$WORK/rollout-fleet.txt"
    printf 'APP VERSION=1.06\n' > "$WORK/app.bin"
}

# The number of whole downloads the simulator logged for the device.
downloads() { grep -Ec "^[^ ]+ $1 +family-a +firmware downloaded" "$WORK/sim.log"; }

rollout() { run firmware rollout "$WORK/app.bin" --expect-version 1.06 --range 127.0.0.0/28 "$@"; }

test_a_failing_canary_stops_the_rollout_before_any_other_device() {
    start_rollout_fleet 127.0.0.2=no-ack
    rollout --canary 1
    expect_status 1
    expect_out "^127\.0\.0\.2: failed"
    expect_err "stopped before wave 1: 1 failed, past --max-failures 0; 7 devices left untouched"
    [ "$(grep -Ec 'family-a +firmware manifest' "$WORK/sim.log")" -eq 1 ] || fail "a manifest went past the canary"
    run firmware status
    expect_out "^rollout 1: stopped, to 1\.06; 1 failed, 7 pending$"
    expect_out "^127\.0\.0\.9 +3 +pending +1\.05"
    # Every download is a row of the audit trail.
    run history 127.0.0.2
    expect_out "DOWNLOAD"
}

test_a_device_back_on_its_old_version_fails_its_wave_and_stops_the_rollout() {
    start_rollout_fleet 127.0.0.4=stays-old
    rollout --canary 1 --max-failures 0
    expect_status 1
    expect_out "^127\.0\.0\.2: updated, reports 1\.06 \(was 1\.05\)$"
    expect_out "^127\.0\.0\.3: updated, reports 1\.06"
    expect_out "^127\.0\.0\.4: failed, reports 1\.05 \(was 1\.05\)$"
    expect_err "stopped before wave 2: 1 failed, past --max-failures 0; 5 devices left untouched"
    for n in 5 6 7 8 9; do
        [ "$(downloads 127.0.0.$n)" -eq 0 ] || fail "127.0.0.$n got a download past the threshold"
    done
    [ "$(downloads 127.0.0.4)" -eq 1 ] || fail "127.0.0.4 was downloaded $(downloads 127.0.0.4) times"
}

test_a_rollout_killed_mid_wave_resumes_and_each_device_is_downloaded_once() {
    start_rollout_fleet
    LAST="vandrel firmware rollout (killed)"
    "$VANDREL" firmware rollout "$WORK/app.bin" --expect-version 1.06 --range 127.0.0.0/28 --canary 1 \
        > "$WORK/out" 2> "$WORK/err" &
    pid=$!
    # Killed while the third wave's devices download or restart.
    expect_sim_log "127\.0\.0\.5 +family-a +restarting" 30
    # While it runs, neither a resume nor a new rollout starts beside it.
    run firmware rollout --resume
    expect_status 1
    expect_err "another rollout is running on .*fleet\.db"
    rollout
    expect_status 1
    expect_err "another rollout is running"
    kill -KILL $pid
    wait $pid 2>/dev/null
    run firmware status
    expect_out "restarting|downloading"
    run firmware rollout --resume
    expect_status 0
    expect_out "^8 updated, 0 failed, 0 offline$"
    for n in 2 3 4 5 6 7 8 9; do
        [ "$(downloads 127.0.0.$n)" -eq 1 ] || fail "127.0.0.$n was downloaded $(downloads 127.0.0.$n) times"
    done
    # A second rollout to the version they run sends nothing.
    manifests=$(grep -c "firmware manifest" "$WORK/sim.log")
    rollout
    expect_status 0
    expect_out "^8 updated, 0 failed, 0 offline$"
    sleep 0.2
    [ "$(grep -c "firmware manifest" "$WORK/sim.log")" -eq "$manifests" ] || fail "a second rollout downloaded"
}

test_a_downgrade_is_refused_unless_asked() {
    start_rollout_fleet
    printf 'APP VERSION=1.04\n' > "$WORK/old.bin"
    run firmware rollout "$WORK/old.bin" --expect-version 1.04 --range 127.0.0.0/28
    expect_status 2
    expect_err "refused: a downgrade to 1\.04 \(--allow-downgrade to make it\); nothing was sent"
    expect_err "127\.0\.0\.2 runs 1\.05"
    expect_no_sim_log "firmware manifest"
    run firmware status
    expect_status 1
    expect_err "no rollout yet"
}

# A device of the plan that does not answer stays offline, pending; once it
# is back, --resume updates it and leaves the others alone.
test_an_offline_device_stays_pending_and_a_resume_tries_it_again() {
    printf 'APP VERSION=1.06\n' > "$WORK/app.bin"
    printf '127.0.0.2\n127.0.0.3\n127.0.0.4 type=5\n' > "$WORK/plan.txt"
    printf 'family-a 127.0.0.2 type=5 restart-ms=1500\nfamily-a 127.0.0.3 type=17 restart-ms=1500\n' > "$WORK/two.txt"
    start_sim < "$WORK/two.txt"
    run firmware rollout "$WORK/app.bin" --expect-version 1.06 --plan "$WORK/plan.txt" --canary 2
    expect_status 1
    expect_out "^127\.0\.0\.4: offline$"
    expect_out "^2 updated, 0 failed, 1 offline \(--resume tries them again\)$"
    run firmware status --json
    expect_out '"state": "running"'
    kill -TERM "$SIM_PID"
    wait "$SIM_PID"
    printf 'family-a 127.0.0.2 type=5 restart-ms=1500 version=6\nfamily-a 127.0.0.4 type=5 restart-ms=1500\n' \
        > "$WORK/back.txt"
    start_sim < "$WORK/back.txt"
    run firmware rollout --resume
    expect_status 0
    expect_out "^127\.0\.0\.4: updated, reports 1\.06 \(was 1\.05\)$"
    expect_out "^3 updated, 0 failed, 0 offline$"
    [ "$(downloads 127.0.0.2)" -eq 0 ] || fail "127.0.0.2 was downloaded again"
    run firmware rollout --resume
    expect_status 2
    expect_err "no rollout to resume"
}

# A limit in percent counts the failures among the devices tried so far:
# one of three is within 50%, and the rollout goes on to its end.
test_a_percentage_limit_lets_the_rollout_go_on_within_it() {
    start_rollout_fleet 127.0.0.3=never-back
    rollout --canary 1 --max-failures 50% --restart-wait 5
    expect_status 1
    expect_out "^127\.0\.0\.3: failed \(was 1\.05\)$"
    expect_out "^7 updated, 1 failed, 0 offline$"
    [ "$(downloads 127.0.0.9)" -eq 1 ] || fail "the last wave was not downloaded"
}

run_case "$1"
