# vandrel.fleet over SSH: a controller runs ansible-playbook against the site
# hosts of a lab of two sites (tests/sites/lib.sh), each serving its own
# broadcast domain.
. "$(dirname "$0")/lib.sh"

two_sites() {
    stage
    start_site 1
    start_site 2
    inventory 2
}

test_a_site_down_or_a_wrong_password_fails_only_itself() {
    two_sites
    ip link set mg2 down
    play_tasks 4 sites <<'PLAY'
    - vandrel.fleet.settings:
        device: "{{ item.device }}"
        password: "{{ item.password }}"
        settings: {NAME: renamed}
      loop:
        - {device: "198.18.{{ site }}.2", password: not-admin}
        - {device: "02:56:44:12:0{{ site }}:03", password: admin}
      ignore_errors: true
      register: named
    - assert:
        that:
          - named.results[0] is failed and named.results[0].code == 102
          - "'wrong password' in named.results[0].msg"
          - named.results[1] is changed and named.results[1].settings.NAME == 'renamed'
PLAY
    expect_recap site1 "ok=2 +changed=1 +unreachable=0 +failed=0"
    expect_recap site2 "ok=0 +changed=0 +unreachable=1 +failed=0"
}

# Each task of the play fails with its message before anything is sent (an
# unknown key and a value the device would store otherwise, one refusal);
# the play goes on after each. (The module's own checks of its arguments and
# its reading of the tool's report are its unit tests', and a range too wide
# the Python module's.)
test_bad_input_fails_before_anything_is_written() {
    two_sites
    play_tasks 0 site1 <<PLAY
    - vandrel.fleet.settings: {device: 198.18.1.2, password: admin, settings: {NAME: x, C1_BAUDRATE: 7, C1_BAUD: 115200}}
      ignore_errors: true
      register: refused
    - vandrel.fleet.search: {targets: [pump-1]}
      ignore_errors: true
      register: not_address
    - assert:
        that:
          - "'C1_BAUDRATE' in refused.msg and 'nothing written' in refused.msg"
          - "(refused.refused | selectattr('key', 'eq', 'C1_BAUD') | first).stored == '0'"
          - "'is neither an IPv4 address nor a range' in not_address.msg"
PLAY
    expect_recap site1 "ok=3 +changed=0 +unreachable=0 +failed=0 +skipped=0 +rescued=0 +ignored=2"
    expect_no_sim_log 1 "write"
}

test_commands_and_firmware() {
    stage
    printf 'family-a 198.18.1.2 type=5 password=admin\nfirmware 198.18.1.2 port=8800 transport=tcp\nfamily-b 198.18.1.3 type=48 password=admin\nfamily-a 198.18.1.4 type=5 password=admin firmware=stays-old\n' > "$WORK/f.txt"
    start_site 1 "$WORK/f.txt"
    inventory 1
    head -c 1000 /dev/zero > "$WORK/app.bin"
    head -c 120000 /dev/zero > "$WORK/big.bin"
    printf 'APP VERSION=1.06\n' > "$WORK/new.bin"
    tasks_of sites > "$WORK/tasks.yml" <<PLAY
    - vandrel.fleet.command: {device: "02:56:44:12:01:03", command: restart}
    - vandrel.fleet.firmware: {device: 198.18.1.2, version: "1.05", images: ["$WORK/app.bin"], tcp: true}
      register: same
    - vandrel.fleet.firmware: {device: 198.18.1.2, version: "1.06", images: ["$WORK/big.bin"], tcp: true}
      ignore_errors: true
      register: too_big
    - vandrel.fleet.firmware: {device: 198.18.1.2, version: "1.07", images: ["$WORK/app.bin"], tcp: true, restart: false}
    - vandrel.fleet.firmware: {device: 198.18.1.2, version: "1.06", images: ["$WORK/new.bin"], back_within: 10}
      register: updated
    - vandrel.fleet.firmware: {device: 198.18.1.2, version: "1.06", images: ["$WORK/new.bin"]}
      register: again
    - vandrel.fleet.firmware: {device: 198.18.1.2, version: "1.04", images: ["$WORK/new.bin"]}
      ignore_errors: true
      register: older
    - vandrel.fleet.firmware: {device: 198.18.1.4, version: "1.06", images: ["$WORK/new.bin"], back_within: 1}
      ignore_errors: true
      register: stays_old
    - assert:
        that:
          - same is not changed and same.version == '1.05'
          - "'the device holds 114176' in too_big.msg"
          - ansible_check_mode or (updated.before == '1.05' and updated.after == '1.06')
          - ansible_check_mode or (again is not changed and again.before == '1.06')
          - "'refused, a downgrade to 1.04' in older.msg and 'nothing was sent' in older.msg"
          - ansible_check_mode or ('came back with version 1.05, not 1.06' in stays_old.msg)
PLAY
    play 0 --check < "$WORK/tasks.yml"
    expect_recap site1 "ok=9 +changed=5 +unreachable=0 +failed=0 +skipped=0 +rescued=0 +ignored=2"
    expect_no_sim_log 1 "restart|manifest"
    play 0 < "$WORK/tasks.yml"
    expect_recap site1 "ok=9 +changed=3 +unreachable=0 +failed=0 +skipped=0 +rescued=0 +ignored=3"
    expect_sim_log 1 "restart"
    expect_sim_log 1 "app.bin"
    expect_no_sim_log 1 "big.bin"
    [ "$(grep -c 'firmware downloaded' "$WORK/sim1.log")" = 2 ] || fail "the devices were not given new.bin once each"
}

# Devices whose names are chosen bytes (ESC, BEL, CR LF, DEL, a byte outside
# UTF-8) change their passwords at -vvv with Ansible's log on: the modules'
# results are JSON that holds each device's bytes as they are, and no
# password, old or new, shows in the output or the log.
test_hostile_names_and_passwords_never_shown() {
    stage
    cat > "$WORK/f.txt" <<'FLEET'
family-a 198.18.1.2 type=5 password=Old-Sec-41 name=\x1b[2J\x07a\x0d\x0a\x7f\xff
family-b 198.18.1.3 type=48 password=Old-Sec-41 name=\x1b[2J\x07b\x0d\x0a\x7f\xff
FLEET
    start_site 1 "$WORK/f.txt"
    inventory 1
    export ANSIBLE_LOG_PATH="$WORK/ansible.log"
    play_tasks 0 site1 -vvv --diff <<'PLAY'
    - vandrel.fleet.search: {targets: [198.18.1.0/29], wait: 0.5}
      register: found
    - vandrel.fleet.settings: {device: 198.18.1.2, password: Old-Sec-41, settings: {C1_BAUD: 7, PASS: New-Sec-42}}
      check_mode: true
      register: preview
    - vandrel.fleet.settings: {device: 198.18.1.2, password: Old-Sec-41, settings: {PASS: New-Sec-42}}
      register: written
    - vandrel.fleet.settings: {device: 198.18.1.2, settings: {PASS: New-Sec-42}}
      register: again
    - vandrel.fleet.apply:
        plan: {devices: [{mac: "02:56:44:12:01:03", password: Old-Sec-41, settings: {PASS: New-Sec-43}}]}
      register: applied
    - vandrel.fleet.settings: {device: "02:56:44:12:01:03", password: New-Sec-43, settings: {C2_BAUD: 9600}}
      register: after
    - assert:
        that:
          - found.devices | map(attribute='ip') | sort == ['198.18.1.2', '198.18.1.3']
          - preview.settings.NAME == "\x1b[2J\x07a\r\n\x7f\udcff"
          - after.settings.NAME == "\x1b[2J\x07b\r\n\x7f\udcff"
          - "preview.changes == {'C1_BAUD': '7', 'PASS': '(changed)'}"
          - "written is changed and written.changes == {'PASS': '(changed)'} and 'PASS' not in written.settings"
          - again is not changed
          - applied is changed and applied.devices[0].changes[0].key == 'PASS'
          - applied.devices[0].changes[0].from == '(current)' and applied.devices[0].changes[0].to == '(changed)'
          - after is changed
PLAY
    expect_recap site1 "ok=7 +changed=4 +unreachable=0 +failed=0"
    expect_out '^\+PASS=\(changed\)$'
    ! grep -n "Sec-4" "$WORK/out" "$WORK/ansible.log" || fail "a password shows"
}

# The block of docs/sites.md that the $2th (default first) fence with $1 opens.
guide_block() {
    awk -v tag='```'"$1" -v end='```' -v nth="${2:-1}" \
        '$0 == tag { on = ++seen == nth; next } on && $0 == end { exit } on' "$SOURCE/docs/sites.md"
}

test_the_guide_s_inventory_and_playbook() {
    stage
    start_site 1
    start_site 2
    lab_ansible
    guide_block ini > "$WORK/inventory"
    guide_block yaml > "$WORK/guide.yml"
    play 0 --check --diff < "$WORK/guide.yml"
    expect_recap north "ok=5 +changed=3 +unreachable=0 +failed=0"
    expect_out "^-NAME=a-2$"
    expect_out "^\+NAME=south$"
    expect_no_sim_log 1 "write"
    play 0 < "$WORK/guide.yml"
    expect_recap north "ok=5 +changed=3 +unreachable=0 +failed=0"
    expect_recap south "ok=5 +changed=3 +unreachable=0 +failed=0"
    grep -q '"NAME": "a-2"' "$WORK/south.json" || fail "no backup of site 2's device"
    # Only the backup changes: it now holds what the run before wrote.
    play 0 < "$WORK/guide.yml"
    expect_recap south "ok=5 +changed=1 +unreachable=0 +failed=0"
    grep -q '"NAME": "south"' "$WORK/south.json" || fail "the backup does not hold the new name"
}

# The controller finds the devices of both sites by range, through their
# routers; each device's task runs on its site's host, over SSH.
test_the_guide_s_inventory_of_devices() {
    stage
    start_site 1
    start_site 2
    lab_ansible
    guide_block ini > "$WORK/inventory"
    guide_block yaml 3 > "$WORK/devices.vandrel.yml"
    guide_block yaml 4 > "$WORK/names.yml"
    export PYTHONPATH=$STAGE/lib/python3/dist-packages ANSIBLE_INVENTORY_ANY_UNPARSED_IS_FAILED=1
    play 0 -i "$WORK/devices.vandrel.yml" < "$WORK/names.yml"
    for device in 198.18.1.2:north:a-1 198.18.1.3:north:b-1 198.18.2.2:south:a-2 198.18.2.3:south:b-2; do
        expect_out "\"${device%%:*} at $(echo "${device#*:}" | sed 's/:/: /')\""
        expect_recap "${device%%:*}" "ok=2 +changed=0 +unreachable=0 +failed=0"
    done
}

run_case "$1"
