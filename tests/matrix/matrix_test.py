"""The same settings, good and bad, through every front end: the vandrel
tool (set --dry-run), the dashboard's API (a write with dry_run), an Ansible
module in check mode and the Python module (a write). Each gives the same
verdict, and a refusal the same words, since all of them ask the setting
rules. Runs in a private network namespace beside vandrel-sim's built-in
fleet and a vandrel web; needs VANDREL, VANDREL_SIM, SOURCE and BUILD."""
import json
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.environ["SOURCE"], "tests", "web"))
import webtest  # noqa: E402

SOURCE, BUILD = os.environ["SOURCE"], os.environ["BUILD"]
SERIAL, FOUR_PORTS = ("127.0.0.2", 5), ("02:56:44:00:00:0C", 48)
OK = None
# (device, key, value, the refusal's words or OK)
CASES = [
    (SERIAL, "C1_BAUD", "7", OK),
    (SERIAL, "C1_BAUD", "115200", "C1_BAUD=115200: not one of its choices: it takes 0 = 300 bit/s, "
     "1 = 600 bit/s, 2 = 1200 bit/s, 3 = 2400 bit/s, 4 = 4800 bit/s, 5 = 9600 bit/s, 6 = 19200 bit/s, "
     "7 = 38400 bit/s, 8 = 57600 bit/s or 9 = 115200 bit/s"),
    (SERIAL, "C1_DATAB", "99", "C1_DATAB=99: out of range: it takes a number from 5 to 8 (bits)"),
    (SERIAL, "C1_STOPB", "7", "C1_STOPB=7: out of range: it takes a number from 1 to 2 (bits)"),
    (SERIAL, "C1_PARITY", "9", "C1_PARITY=9: not one of its choices: it takes 0 = none, 1 = odd, 2 = even, "
     "3 = mark or 4 = space"),
    (SERIAL, "IP_MODE", "2", "IP_MODE=2: not one of its choices: it takes 0 = DHCP or 1 = static"),
    (SERIAL, "C1_PORT", "http", "C1_PORT=http: not a number: it takes a number from 1 to 65535"),
    (SERIAL, "NAEM", "pump", "NAEM: not a key of this device (did you mean NAME?)"),
    (SERIAL, "NAME", "abcdefghijkl", "NAME=abcdefghijkl: the device would store 'abcdefghij' "
     "(it takes at most 10 characters)"),
    (SERIAL, "NAME", "x\x1by", "NAME: the value holds a control character (0x1B): refused"),
    (SERIAL, "MAC", "02:00:00:00:00:01", "MAC: the device's MAC address is not a setting"),
    (FOUR_PORTS, "C2_BAUD", "9600", OK),
    (FOUR_PORTS, "C1_BAUD", "-5", "C1_BAUD=-5: out of range: it takes a number from 50 to 921600 (bit/s)"),
    (FOUR_PORTS, "C1_DATAB", "99", "C1_DATAB=99: out of range: it takes a number from 5 to 8 (bits)"),
    (FOUR_PORTS, "C3_PARITY", "9", "C3_PARITY=9: not one of its choices: it takes 0 = none, 1 = odd, "
     "2 = even, 3 = mark or 4 = space"),
    (FOUR_PORTS, "C5_BAUD", "9600", "C5_BAUD: not a key of this device (did you mean C1_BAUD?)"),
    (FOUR_PORTS, "NAME", "seventeen-chars-x", "NAME=seventeen-chars-x: the device would store "
     "'seventeen-chars' (it takes at most 15 characters)"),
]


def refusals(doc):
    """The reasons of a refused write's document; [] when nothing was refused."""
    if doc.get("refused"):
        return [r["reason"] for r in doc["refused"]]
    return [doc["error"]] if "error" in doc else []


def by_tool(device, key, value):
    (address, _), = [device]
    r = subprocess.run([webtest.VANDREL, "set", address, "--password", "admin", f"{key}={value}", "--dry-run",
                        "--json"], capture_output=True, text=True, timeout=60)
    assert r.returncode in (0, 2), (key, value, r.returncode, r.stderr)
    return refusals(json.loads(r.stdout))


def by_api(device, key, value):
    status, _, body = webtest.request(f"{webtest.URL}/api/devices/{device[0]}/settings", "POST",
                                      {"settings": {key: value}, "password": "admin", "dry_run": True})
    assert status in (200, 400, 422), (key, value, status, body)
    return refusals(json.loads(body))


def by_python(device, key, value):
    import vandrel
    try:
        vandrel.write(device[0], {key: value}, password="admin", device_type=device[1])
    except vandrel.SettingRefused as refused:
        return [str(refused)]
    return []


def by_ansible():
    """Every case's refusals through vandrel.fleet.settings in check mode, in
    one play on this host."""
    cases = [{"device": d[0], "type": d[1], "settings": {k: v}} for d, k, v, _ in CASES]
    with open(os.path.join(webtest.WORK, "cases.json"), "w") as out:
        json.dump({"cases": cases, "results": os.path.join(webtest.WORK, "results.json")}, out)
    with open(os.path.join(webtest.WORK, "play.yml"), "w") as out:
        out.write("""- hosts: localhost
  connection: local
  gather_facts: false
  tasks:
    - vandrel.fleet.settings: {device: "{{ item.device }}", type: "{{ item.type }}", password: admin,
                               settings: "{{ item.settings }}"}
      check_mode: true
      ignore_errors: true
      loop: "{{ cases }}"
      register: checked
    - ansible.builtin.copy:
        dest: "{{ results }}"
        content: "{{ checked.results | map(attribute='msg', default='') | list | to_json }}"
""")
    env = dict(os.environ, ANSIBLE_COLLECTIONS_PATH=os.path.join(SOURCE, "ansible"), ANSIBLE_NOCOLOR="1",
               ANSIBLE_HOME=os.path.join(webtest.WORK, "ansible"), PYTHONPATH=os.path.join(SOURCE, "python"),
               VANDREL_LIB=os.path.join(BUILD, "lib"))
    r = subprocess.run(["ansible-playbook", "-i", "localhost,", "-e", "ansible_python_interpreter=/usr/bin/python3",
                        "-e", "@cases.json", "play.yml"], cwd=webtest.WORK, env=env, capture_output=True, text=True,
                       timeout=300)
    assert r.returncode == 0, r.stdout + r.stderr
    messages = json.load(open(os.path.join(webtest.WORK, "results.json")))
    # "DEVICE: REASON; nothing written", the reasons of one device joined by "; ".
    return [[m.split(": ", 1)[1].rsplit("; nothing written", 1)[0]] if m else [] for m in messages]


def test_every_front_end_gives_the_same_verdict_and_words():
    webtest.start_sim()
    webtest.start_web()
    ansible = by_ansible()
    for case, through_ansible in zip(CASES, ansible):
        device, key, value, words = case
        wanted = [] if words is OK else [words]
        for name, answer in (("the tool", by_tool(device, key, value)), ("the API", by_api(device, key, value)),
                             ("Ansible", through_ansible), ("Python", by_python(device, key, value))):
            assert answer == wanted, f"{key}={value!r} on {device[0]} through {name}: {answer}, not {wanted}"


def python_rules(type_code):
    """vandrel.key_rules as the tool's JSON spells a type's rules."""
    import vandrel
    keys = []
    for r in vandrel.key_rules(type_code):
        key = {"key": r.key, "label": r.label, "group": r.group, "unit": r.unit, "description": r.description,
               "read_only": r.read_only, "secret": r.secret, "takes": r.takes}
        if r.lowest is not None:
            key.update(lowest=r.lowest, highest=r.highest)
        if r.choices:
            key["choices"] = [{"value": v, "name": n} for v, n in r.choices.items()]
        if r.off:
            key["off"] = "invalid"
        keys.append(key)
    return keys


def test_every_front_end_gives_the_same_rules():
    import vandrel
    webtest.start_web()
    for type_code in (5, 7, 17, 32, 64):
        status, tool = webtest.tool("keys", str(type_code), "--json")
        code, _, api = webtest.request(f"{webtest.URL}/api/rules/{type_code}")
        assert status == 0 and code == 200 and json.loads(tool) == json.loads(api), type_code
        assert python_rules(type_code) == json.loads(tool)["keys"], type_code
    rules = {r.key: r for r in vandrel.key_rules(5)}
    assert [k for k, r in rules.items() if r.read_only] == ["TYPE", "MAC", "VERSION"] and rules["PASS"].secret
    assert rules["C1_BAUD"].choices[9] == "115200 bit/s" and rules["C1_D1"].off and rules["C1_D1"].highest == 255
    assert len(vandrel.key_rules(64)) == 26 - 8 + 8 * (29 - 1) and vandrel.key_rules(64)[-1].group == "port 8"
    # A type code of neither family, through each.
    assert webtest.tool("keys", "99")[0] == 2 and webtest.request(f"{webtest.URL}/api/rules/99")[0] == 404
    assert webtest.request(f"{webtest.URL}/api/rules/300")[0] == 404
    try:
        vandrel.key_rules(99)
        raise AssertionError("type 99 has rules")
    except ValueError as error:
        assert "neither family" in str(error)


if __name__ == "__main__":
    sys.path.insert(0, os.path.join(SOURCE, "python"))
    os.environ["VANDREL_LIB"] = os.path.join(BUILD, "lib")
    webtest.run(globals())
