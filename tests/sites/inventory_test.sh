# The inventory plugin vandrel.fleet.devices and the module device_info on
# this host, against vandrel-sim in the test's own network namespace: hosts
# by MAC, grouped by type, version, name pattern and a keyed group of the
# devices' own names (one a template, one of chosen bytes); the names kept as
# they came, never evaluated; the cache serving when the devices are gone.
# Needs BUILD, SOURCE and the collection's folder in ANSIBLE_COLLECTIONS_PATH.
set -eu
WORK=$(mktemp -d)
trap 'kill $SIM 2>/dev/null || true; rm -rf "$WORK"' EXIT
cd "$WORK"
export PYTHONPATH=$SOURCE/python VANDREL_LIB=$BUILD/lib ANSIBLE_HOME=$WORK/home ANSIBLE_NOCOLOR=1 PYTHONDONTWRITEBYTECODE=1 \
    ANSIBLE_INVENTORY_ANY_UNPARSED_IS_FAILED=1 VANDREL_DB=$WORK/fleet.db
cat > fleet.txt <<'FLEET'
family-a 127.0.0.2 type=5 name=pump-1 password=admin version=105
family-a 127.0.0.3 type=5 name={{7*6}} password=admin version=106
family-b 127.0.0.10 type=48 name=\x1b[2J\x07b\x0d\x0a\xff password=admin mac=02:56:44:00:00:0a
FLEET
"$BUILD/bin/vandrel-sim" --fleet fleet.txt > sim.log 2>&1 &
SIM=$!
sh "$SOURCE/scripts/sim-ready.sh" sim.log $SIM
cat > devices.vandrel.yml <<YAML
plugin: vandrel.fleet.devices
wait: 0.3
name_groups: {pumps: "pump-*"}
keyed_groups: [{key: vandrel_name, prefix: name}]
cache: true
cache_plugin: ansible.builtin.jsonfile
cache_connection: $WORK/cache
YAML
check_inventory() {
    ansible-inventory -i devices.vandrel.yml --list > inventory.json
    python3 - <<'PY'
import json, re
inv = json.load(open("inventory.json"))
members = lambda group: sorted(inv.get(group, {}).get("hosts", []))
# Values the plugin marks unsafe show as {"__ansible_unsafe": value}.
raw = lambda v: v["__ansible_unsafe"] if isinstance(v, dict) else v
hostvars = {h: {k: raw(v) for k, v in vs.items()} for h, vs in inv["_meta"]["hostvars"].items()}
pump = [h for h, v in hostvars.items() if v["vandrel_name"] == "pump-1"]
assert len(hostvars) == 3 and pump and all(re.fullmatch("([0-9A-F]{2}:){5}[0-9A-F]{2}", h) for h in hostvars), hostvars
assert members("type_5") == sorted(h for h in hostvars if hostvars[h]["vandrel_type"] == 5) and len(members("type_48")) == 1
for host, facts in hostvars.items():
    assert host in members("version_" + facts["vandrel_version"].replace(".", "_")), (host, list(inv))
assert members("pumps") == pump and members("name_pump_1") == pump, inv
b = hostvars[members("type_48")[0]]
assert b["vandrel_name"].startswith("\x1b[2J\x07b\r\n") and b["vandrel_device"] == b["vandrel_mac"], b
assert all(re.fullmatch("[A-Za-z0-9_]+", g) for g in inv) and "name___7_6__" in inv, list(inv)
PY
}
check_inventory
cat > play.yml <<'YAML'
- hosts: all
  connection: local
  gather_facts: false
  tasks:
    - vandrel.fleet.device_info: {device: "{{ vandrel_device }}", type: "{{ vandrel_type }}"}
      register: read
    - vandrel.fleet.device_info: {device: "{{ vandrel_device }}", keys: [NAME, PASS]}
      register: named
    - ansible.builtin.assert:
        that:
          - read.settings.NAME == vandrel_name and 'PASS' not in read.settings and read is not changed
          - named.settings == {'NAME': vandrel_name}
- hosts: pumps
  connection: local
  gather_facts: false
  tasks:
    - vandrel.fleet.search: {targets: [127.0.0.0/28], wait: 0.3}
      register: found
    - ansible.builtin.assert:
        that: found.devices | map(attribute='ip') | sort == ['127.0.0.10', '127.0.0.2', '127.0.0.3']
    # Addresses asked at once, a range in turn: each answer once, in the targets' order.
    - vandrel.fleet.search: {targets: [127.0.0.3, 127.0.0.0/30, 127.0.0.2, 127.0.0.9], wait: 0.3}
      register: mixed
    - ansible.builtin.assert:
        that: mixed.devices | map(attribute='ip') | list == ['127.0.0.3', '127.0.0.2']
- name: rename the pumps
  hosts: pumps
  connection: local
  gather_facts: false
  tasks:
    - vandrel.fleet.settings: {device: "{{ vandrel_device }}", password: admin, settings: {NAME: pump-2, PASS: s3cret}}
YAML
ansible-playbook -i devices.vandrel.yml -e ansible_python_interpreter=/usr/bin/python3 play.yml > play.out 2>&1 || { cat play.out; exit 1; }
grep -Eq "ok=3 +changed=0 +unreachable=0 +failed=0" play.out
"$BUILD/bin/vandrel" history --json > history.json
! grep -aq s3cret fleet.db* || { echo "the password is in the fleet database"; exit 1; }
python3 - <<'PY'
import json, re
rows = [(r["channel"], r["device"], r["key"], r["before"], r["after"], r["operation"])
        for r in json.load(open("history.json"))["writes"]]
operation = rows[0][5] if rows else ""
assert re.fullmatch("play rename the pumps, host ([0-9A-F]{2}:){5}[0-9A-F]{2}", operation), rows
assert rows == [("ansible", "127.0.0.2", "NAME", "pump-1", "pump-2", operation),
                ("ansible", "127.0.0.2", "PASS", "(changed)", "(changed)", operation)], rows
PY
kill $SIM
wait $SIM || true
check_inventory
echo "inventory: passed"
