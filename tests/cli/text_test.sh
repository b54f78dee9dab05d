# Device texts are bytes: an argument and a text plan give them as they are,
# JSON (show --json, a backup, a JSON plan) as their UTF-8 text with a byte
# that is not part of valid UTF-8 written "\udcXX", a table "\xXX". Every
# route stores the same bytes for the same text; a JSON plan's values are
# read as a backup's are, so the backup stands for both.
. "$(dirname "$0")/lib.sh"

CAFE_UTF8=$(printf 'Caf\303\251')
CAFE_BYTE=$(printf 'caf\351')

# The "NAME" line of the last show --json.
name_line() { grep -E '^    "NAME"' "$WORK/out"; }

test_every_route_stores_the_same_bytes() {
    start_sim <<'FLEET'
family-a  127.0.0.2  type=5  name=first    password=admin
family-a  127.0.0.5  type=5  name=second   password=admin
FLEET
    expect_run 0 set 127.0.0.2 --password admin "NAME=$CAFE_UTF8"
    run show 127.0.0.2 --json
    [ "$(name_line)" = "    \"NAME\": \"$CAFE_UTF8\"," ] || fail "show --json does not give the UTF-8 text back"
    cp "$WORK/out" "$WORK/backup.json"
    expect_run 0 set 127.0.0.5 --password admin --from "$WORK/backup.json"
    run show 127.0.0.5 --json
    [ "$(name_line)" = "    \"NAME\": \"$CAFE_UTF8\"," ] || fail "the backup did not restore the same bytes"
    printf 'password=admin\n127.0.0.5 NAME=%s\n' "$CAFE_BYTE" > "$WORK/plan.txt"
    expect_run 0 apply "$WORK/plan.txt"
    run show 127.0.0.5 --json
    expect_out '^    "NAME": "caf\\udce9",$'
    cp "$WORK/out" "$WORK/backup.json"
    expect_run 0 set 127.0.0.2 --password admin --from "$WORK/backup.json"
    # On a terminal the byte outside UTF-8 shows as its escape.
    run show 127.0.0.2 NAME
    expect_out 'caf\\xe9$'
    # Python's json.dumps spells an emoji as a lower-case surrogate pair,
    # whose second half may look like an escaped byte.
    printf '{"settings": {"NAME": "ok\\ud83d\\udca9"}}\n' > "$WORK/emoji.json"
    expect_run 0 set 127.0.0.2 --password admin --from "$WORK/emoji.json" --dry-run
    expect_out "ok$(printf '\360\237\222\251')$"
}

run_case "$1"
