# The tool never prints a device's password but where the user asks for it
# (show --with-password): a change of PASS shows as "(changed)", a PASS read
# or refused as "(hidden)", and refusals do not quote it. (The JSON of set
# and of an AT session's steps from standard input is what the dashboard
# passes on: its secrets test reads them.)
. "$(dirname "$0")/lib.sh"

# Neither output holds the passwords of the test.
expect_no_password() {
    ! grep -Eq -- "admin|Secret77|Other88|TooLong" "$WORK/out" "$WORK/err" || fail "a password was printed"
}
# Runs vandrel (status first, as expect_run) and checks no password shows.
expect_quiet_run() { expect_run "$@"; expect_no_password; }

test_passwords_are_not_printed() {
    start_standard_fleet
    expect_quiet_run 0 set 127.0.0.2 --password admin PASS=Secret77 --dry-run
    expect_out "^PASS +\(changed\) +\(changed\)$"
    expect_quiet_run 2 set 127.0.0.2 --password admin PASS=TooLong-0123456789
    expect_err "PASS: the device would store another value \(it takes at most 10 characters\)"
    expect_quiet_run 0 set 127.0.0.2 --password admin PASS=Secret77 --verify
    expect_out "^PASS +\(changed\) +stored$"
    echo '{"password": "Secret77", "devices": [{"ip": "127.0.0.2", "settings": {"PASS": "Other88"}}]}' > "$WORK/plan.json"
    expect_quiet_run 0 apply "$WORK/plan.json" --dry-run
    expect_out "PASS +\(changed\) +-> +\(changed\)"
    expect_quiet_run 0 show 127.0.0.2
    expect_run 0 show 127.0.0.2 --with-password
    expect_out "^PASS +Secret77$"
    # The simulated device takes no PASS over AT: the step fails, masked.
    expect_quiet_run 106 at 127.0.0.10 --password admin NAME PASS=Secret77
    expect_out "^set +PASS +\(changed\) "
}

run_case "$1"
