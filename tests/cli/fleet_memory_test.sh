# The fleet database through the tool: what a search sees, what a write
# changes, what a read held, and whether the devices still hold a plan.
. "$(dirname "$0")/lib.sh"

rows_of() { grep -c "\"key\":" "$WORK/out"; }

test_inventory_audit_and_drift() {
    start_standard_fleet
    expect_run 0 search
    expect_run 0 inventory --json
    expect_out '"mac": "02:56:44:00:00:0C"'
    [ "$(grep -c '"mac":' "$WORK/out")" -eq 5 ] || fail "the inventory does not hold the 5 devices"
    expect_run 0 set 127.0.0.2 --password admin NAME=pump-1 PASS=s3cret-new
    expect_run 0 history 127.0.0.2 --json
    [ "$(rows_of)" -eq 2 ] || fail "not one row a key written"
    expect_out '"before": "serial-5",'
    expect_out '"after": "\(changed\)",'
    expect_run 0 show 127.0.0.2 --snapshot
    expect_run 2 show 127.0.0.2 NAME --snapshot
    # The name a read saw is the device's, and its change is in its history.
    expect_run 0 show 127.0.0.2 NAME
    expect_run 0 inventory --json
    expect_out '"after": "pump-1"'

    printf 'password=s3cret-new\n127.0.0.2 NAME=pump-2 C1_BAUD=9\n02:56:44:00:00:0C password=admin NAME=four\n' \
        > "$WORK/plan"
    expect_run 3 drift "$WORK/plan"
    expect_out "^127\.0\.0\.2 +NAME +pump-2 +pump-1 +drift$"
    expect_out "^127\.0\.0\.2 +C1_BAUD +9 +9 +in sync$"
    expect_out "^2 devices: 2 drifted, 0 not read$"
    expect_run 0 apply "$WORK/plan" --jobs 2
    expect_run 0 drift "$WORK/plan" --json
    expect_out '"drifted": 0,'
    # A snapshot of each read: show's, then each drift's, newest first.
    expect_run 0 snapshots 127.0.0.2 --json
    [ "$(grep -c '"id":' "$WORK/out")" -eq 3 ] || fail "not a snapshot a read"
    oldest=$(grep '"id":' "$WORK/out" | tail -1 | tr -dc 0-9)
    expect_run 0 snapshots 127.0.0.2 "$oldest"
    expect_out "^NAME +pump-1$"
    expect_run 0 snapshots 127.0.0.2 latest
    expect_out "^NAME +pump-2$"
    expect_run 0 snapshots 02:56:44:00:00:0C latest --json
    expect_out '"NAME": "four"'
    expect_run 1 snapshots 02:56:44:00:00:0C "$oldest"
    ! grep -aq "s3cret-new" "$WORK/fleet.db"* || fail "the password is in the database"
    # The apply's two writes: one row each, recorded by the workers alone,
    # under one operation.
    expect_run 0 history --since 1h --json
    [ "$(rows_of)" -eq 4 ] || fail "the apply's writes are not one row each"
    [ "$(grep '"operation"' "$WORK/out" | tail -2 | sort -u | wc -l)" -eq 1 ] || fail "the apply's rows differ in operation"
    expect_run 0 history --since 2100-01-01T00:00Z --json
    expect_out '"writes": \[\]'
    # A command names no MAC: the inventory's for the address is recorded.
    expect_run 0 restart 127.0.0.4
    expect_run 0 history 02:56:44:00:00:04
    expect_out "^[-0-9T:Z]+ +[^ ]+ +cli +127\.0\.0\.4 +RESETDEV +- +1 +yes "
}

test_without_a_usable_database() {
    start_standard_fleet
    export VANDREL_DB="$WORK/no/such/folder/fleet.db"
    expect_run 0 search
    [ "$(grep -c "warning: cannot open the fleet database $WORK/no/such/folder/fleet.db" "$WORK/err")" -eq 1 ] ||
        fail "not warned once"
    expect_run 1 inventory
    expect_err "cannot open the fleet database"
    printf 'not a database' > "$WORK/junk.db"
    expect_run 0 show 127.0.0.2 NAME --db "$WORK/junk.db"
    expect_err "warning: cannot open the fleet database .*junk\.db: file is not a database"
    VANDREL_DB=off run search
    expect_status 0
    [ ! -s "$WORK/err" ] || fail "warned with the database off"
    expect_run 1 history --no-db
    expect_err "the fleet database is off"
    expect_run 2 history --since yesterday
}

run_case "$1"
