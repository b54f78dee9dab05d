# vandrel keys lists what each key of a type means; set refuses a value
# outside a key's range or choices unless --force, but never a value the
# device already holds, so that a backup of it restores.
. "$(dirname "$0")/lib.sh"

test_keys_and_the_values_they_take() {
    expect_run 0 keys 17
    expect_out "^CANBAUD1 +CAN 1 +bit rate +5000 = 5 kbit/s \.\.\. 1000000 = 1 Mbit/s \(10 choices\)$"
    expect_out "^MAC +device +MAC address +\(read only\)$"
    expect_no_out "^VERSION "
    expect_run 0 keys 48 C4_STOPB IPF2
    expect_out "^C4_STOPB: stop bits \(port 4, in bits\)$"
    expect_out "^  takes a number from 1 to 2 \(bits\)$"
    expect_out "^IPF2: IP filter 2 \(IP filter\)$"
    expect_run 2 keys 48 C5_STOPB
    expect_err "C5_STOPB: not a key of this device \(did you mean C1_STOPB\?\)"
    expect_run 2 keys 99
    expect_err "unknown device type '99'"
}

test_a_value_out_of_range_is_sent_only_when_forced_or_held() {
    start_standard_fleet
    mac=02:56:44:00:00:0C
    expect_run 2 set $mac --password admin C1_DATAB=9
    expect_err "C1_DATAB=9: out of range: it takes a number from 5 to 8 \(bits\)"
    expect_no_sim_log "write of"
    expect_run 0 set $mac --password admin C1_DATAB=9 --force
    expect_err "warning: sent anyway: C1_DATAB=9: out of range"
    run show $mac --json
    cp "$WORK/out" "$WORK/backup.json"
    expect_run 0 set $mac --password admin C1_DATAB=9
    expect_out "already holds these values"
    expect_run 0 set $mac --password admin --from "$WORK/backup.json"
}

run_case "$1"
