# Device texts are bytes: an argument and a text plan give them as they are,
# JSON (show --json, a backup, a JSON plan) as their UTF-8 text with a byte
# that is not part of valid UTF-8 written "\udcXX", a table "\xXX". (UTF-8
# through an argument and a backup is the backup test's; "\udcXX" into set
# --from and out of show --json is what the dashboard passes on: its server
# test's device texts.)
. "$(dirname "$0")/lib.sh"

test_a_text_plan_gives_bytes_and_json_its_escapes() {
    start_sim <<'FLEET'
family-a  127.0.0.2  type=5  name=first    password=admin
FLEET
    printf 'password=admin\n127.0.0.2 NAME=%s\n' "$(printf 'caf\351')" > "$WORK/plan.txt"
    expect_run 0 apply "$WORK/plan.txt"
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
