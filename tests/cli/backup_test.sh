# Backup and restore: what 'vandrel show --json' prints (a name in UTF-8 as
# it is), 'vandrel set --from' writes back, onto a second device of the same
# type.
. "$(dirname "$0")/lib.sh"

# The settings of a show --json document but the device's own address.
settings_of() { grep -E '^    "' "$1" | grep -vE '^    "(IP|MAC)"'; }

test_backup_restores_onto_a_second_device() {
    start_sim <<'FLEET'
family-a  127.0.0.2  type=5  name=first    password=admin
family-a  127.0.0.5  type=5  name=second   password=admin
family-b  127.0.0.12 type=48 name=four-one password=admin at-port=none
family-b  127.0.0.13 type=48 name=four-two password=admin at-port=none
FLEET
    # A family A baud rate is a code, a family B one the rate.
    for pair in "127.0.0.2 127.0.0.5 C1_D2=12 7" "02:56:44:00:00:0C 02:56:44:00:00:0D C3_D2=12 9600"; do
        set -- $pair
        expect_run 0 set "$1" --password admin C1_BAUD=$4 IP_MODE=0 "$3" "NAME=$(printf 'Caf\303\251')"
        run show "$1" --json
        expect_out "^    \"NAME\": \"$(printf 'Caf\303\251')\",\$"
        cp "$WORK/out" "$WORK/backup.json"
        expect_run 0 set "$2" --password admin --from "$WORK/backup.json" --verify
        expect_err "skipped MAC: what the device is, not a setting"
        expect_err "skipped IP: the file is of another device; give IP=127\.0\.0\.1?2 to take its address"
        expect_out "^C1_BAUD +$4 +stored$"
        run show "$2" --json
        settings_of "$WORK/backup.json" > "$WORK/a"
        settings_of "$WORK/out" > "$WORK/b"
        diff "$WORK/a" "$WORK/b" > "$WORK/err" || fail "the second device differs from the backup"
    done
}

run_case "$1"
