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

test_facts_from_every_site() {
    two_sites
    play <<'PLAY'
- hosts: sites
  gather_facts: false
  environment: "{{ vandrel_environment }}"
  tasks:
    - vandrel.fleet.search: {wait: 0.5}
      register: found
    - assert:
        that:
          - found is not changed
          - found.devices | map(attribute='ip') | sort == ['198.18.%s.2' % site, '198.18.%s.3' % site]
          - (found.devices | selectattr('family', 'eq', 'B') | first).mac == '02:56:44:12:0%s:03' % site
    - vandrel.fleet.backup: {device: "198.18.{{ site }}.2"}
      register: saved
    - assert:
        that:
          - saved.backup.ip == '198.18.%s.2' % site and saved.backup.type == 5
          - saved.settings.NAME == 'a-%s' % site and 'PASS' not in saved.settings
PLAY
    expect_status 0
    expect_recap site1 "ok=4 +changed=0 +unreachable=0 +failed=0"
    expect_recap site2 "ok=4 +changed=0 +unreachable=0 +failed=0"
}

run_case "$1"
