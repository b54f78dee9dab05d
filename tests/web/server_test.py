"""The dashboard's server over raw HTTP: /metrics as promtool reads it,
device texts (bytes outside UTF-8, names cut), malformed and oversized
requests, a thousand clients at once while others are served. (Passwords
and other sites are the secrets tests', hostile clients the hostile
tests'.)"""

import json
import os
import socket
import subprocess
import tempfile
import time
import urllib.parse

import webtest
from webtest import HOST, PORT, URL, request



def start():
    webtest.start_sim()
    proc, _, log = webtest.start_web("--search-every", "2")
    webtest.wait_for("a search", lambda: len(json.loads(request(URL + "/api/devices")[2])) == 7)
    return proc, log


def timed_get(path="/api/devices"):
    started = time.monotonic()
    status, _, _ = request(URL + path)
    return status, time.monotonic() - started


def test_metrics_pass_promtool_and_go_uncompressed():
    start()
    request(URL + "/api/devices/127.0.0.2/settings", "POST", {"password": "admin", "settings": {"NAME": "m-1"}})
    # A browser asks for brotli, which at the library's level takes seconds
    # for a crowd's table: the table and /metrics are sent as they are.
    for path in ("/api/devices", "/metrics"):
        status, headers, text = request(URL + path, headers={"Accept-Encoding": "gzip, deflate, br"})
        assert status == 200 and "Content-Encoding" not in headers, (path, headers)
    assert headers["Content-Type"].startswith("text/plain; version=0.0.4")
    check = subprocess.run(["promtool", "check", "metrics"], input=text, capture_output=True, text=True)
    assert check.returncode == 0, check.stdout + check.stderr
    assert text.count("vandrel_device_up{") == 7
    assert 'vandrel_device_up{ip="127.0.0.12",mac="02:56:44:00:00:0C",type="48",family="B"} 1' in text
    assert 'vandrel_device_info{ip="127.0.0.2",mac="02:56:44:00:00:02",type="5",family="A",version="1.05",name="m-1"} 1' in text
    assert "vandrel_device_last_seen_timestamp_seconds{" in text and "vandrel_search_duration_seconds " in text
    assert 'vandrel_operations_total{kind="set",result="ok"} 1' in text
    assert int(text.split("\nvandrel_searches_total ")[1].split()[0]) >= 1


def test_device_texts_show_as_the_device_holds_them():
    start()
    # The byte E9 alone, not UTF-8: "\udce9" in, the byte on the device,
    # "\udce9" out of the device's page and the table alike (the tool's own
    # JSON is its tests').
    body = json.dumps({"password": "admin", "settings": {"NAME": "caf\udce9"}}).encode()
    assert request(URL + "/api/devices/127.0.0.2/settings", "POST", raw=body)[0] == 200
    assert '"NAME":"caf\\udce9"' in request(URL + "/api/devices/127.0.0.2")[2]
    webtest.wait_for("the name in the table", lambda: '"name":"caf\\udce9"' in request(URL + "/api/devices")[2])
    # A name the device cuts shows in the table as the device stored it.
    body = {"password": "admin", "settings": {"NAME": "abcdefghijkl"}, "force": True}
    assert request(URL + "/api/devices/127.0.0.2/settings", "POST", body)[0] == 200
    webtest.wait_for("the cut name", lambda: '"name":"abcdefghij"' in request(URL + "/api/devices")[2])


def test_an_uploaded_image_reaches_the_device_under_its_own_name():
    webtest._start([webtest.VANDREL_SIM], "sim.log", "devices ready")
    webtest.start_web("--search-every", "2")
    webtest.wait_for("a search", lambda: len(json.loads(request(URL + "/api/devices")[2])) == 7)
    image = bytes(range(256)) * 12
    for name in ("../x.bin", ".hidden", "a b.bin", "x" * 65):
        status, _, text = request(URL + "/api/firmware?devices=127.0.0.4&name=" + urllib.parse.quote(name), "POST",
                                  raw=image)
        assert status == 400 and "the image's file name" in text, (name, status, text)
    status, _, text = request(URL + "/api/firmware?devices=127.0.0.4&name=pump-1.06.bin", "POST", raw=image)
    assert status == 202, text
    webtest.wait_for("the download", webtest.operations_finished, 30)
    rows = json.loads(request(URL + "/api/operations/" + str(json.loads(text)["operation"]))[2])["devices"]
    assert [r["result"] for r in rows] == ["ok"], rows
    # The simulator writes its log in ticks of 100 ms.
    sim_log = lambda: open(os.path.join(webtest.WORK, "sim.log")).read()
    webtest.wait_for("the manifest in the log", lambda: "manifest of 1 image(s): pump-1.06.bin" in sim_log(), 5)
    # Nothing of the upload is left behind.
    assert not [f for f in os.listdir(tempfile.gettempdir()) if f.startswith("vandrel-web-image-")]


def test_finished_operations_leave_no_threads_behind():
    proc, _ = start()
    mapped_mib = []
    for count in (2, 24):
        for _ in range(count):
            status, _, text = request(URL + "/api/restart", "POST", {"devices": ["127.0.0.4"]})
            assert status == 202, text
            webtest.wait_for("the restart", webtest.operations_finished)
        mapped_mib.append(webtest.status_kib(proc.pid, "VmSize") / 1024)
    # A finished thread that is never joined keeps its stack (8 MiB) mapped.
    assert mapped_mib[1] - mapped_mib[0] < 24 * 8 / 2, mapped_mib


def test_malformed_and_oversized_requests_get_a_json_error():
    start()
    for garbage in (b"GARBAGE\r\n\r\n", b"GET /\0 HTTP/9\r\n\r\n", b"GET / HTTP/1.1\r\nX: " + b"y" * 10000 + b"\r\n\r\n",
                    bytes(range(256)) * 64):
        with socket.create_connection((HOST, PORT), timeout=10) as s:
            s.sendall(garbage)
            answer = b""
            while b'{"error":' not in answer and (chunk := s.recv(65536)):
                answer += chunk
        assert answer.startswith(b"HTTP/1.1 400 ") and b'{"error":' in answer, answer
    cases = [
        ("/api/devices/127.0.0.2/settings", b'{"password": "admin", "settings": {', 400, "malformed JSON: line 1, column 36"),
        ("/api/devices/127.0.0.2/settings", b'{"settings": {"NAME": "a"}, "settings": {}}', 400, "malformed JSON"),
        ("/api/devices/127.0.0.2/settings", b'[1, 2]', 400, "must be a JSON object"),
        ("/api/devices/127.0.0.2/settings", b'{"settings": {"NAME": "a"}, "force": "yes"}', 400, '"force" must be true or false'),
        ("/api/devices/127.0.0.2/settings", b'{"settings": {"--from": "x"}}', 400, "is not a key's name"),
        ("/api/restart", b'{"devices": ["127.0.0.2", "--help"]}', 400, "is not a device's address"),
        ("/api/io", b'{"host": "127.0.0.3", "actions": ["ad; reboot"]}', 400, "ad, state, dir=N or level=N"),
        ("/api/apply", b'{"plan": {}, "jobs": 5000}', 400, '"jobs" must be a number from 1 to 4096'),
        ("/api/devices/127.0.0.2/settings", b'{"x": "' + b"a" * 70000 + b'"}', 413, "longer than 65536 bytes"),
        ("/api/firmware?devices=127.0.0.2", b"\0" * (0x1BE00 + 1), 413, "too large"),
        ("/api/nothing", b"{}", 404, "no such page"),
    ]
    for path, body, expected, message in cases:
        status, headers, text = request(URL + path, "POST", raw=body)
        assert status == expected and message in json.loads(text)["error"], (path, status, text)
        assert headers["Content-Type"] == "application/json"
    # A page of another site whose name resolves here gets nothing at all.
    assert request(URL + "/api/devices", headers={"Host": "evil.example:8080"})[0] == 403
    # Still serving.
    assert timed_get()[0] == 200


def test_api_refuses_unknown_mistyped_and_control_fields():
    start()
    device = URL + "/api/devices/127.0.0.2/settings"
    control = "NAME: the value holds a control character (0x01): refused"
    assert control in subprocess.run([webtest.VANDREL, "set", "127.0.0.2", "--password", "admin", "NAME=a\x01"],
                                     capture_output=True, text=True).stderr
    write = {"password": "admin", "settings": {"NAME": "strict-1"}}
    cases = [
        (device, dict(write, dryrun=True), 'unknown field "dryrun" (settings, password, force, dry_run)'),
        (device, dict(write, DRY_RUN=True), 'unknown field "DRY_RUN"'),
        (device, dict(write, dry_run=None), '"dry_run" must be true or false'),
        (device, dict(write, settings={"NAME": "a\x01"}), control),
        (device, dict(write, settings={"NAME": "a\0"}), control.replace("0x01", "0x00")),
        (device, dict(write, password="ad\0min"), "password: the value holds a control character (0x00)"),
        (URL + "/api/devices/127.0.0.2/restore", dict(password="admin", backup={}, force=1), '"force" must be true or false'),
        (URL + "/api/apply", {"plan": {"settings": {"NAME": "strict-1"}}, "dryrun": True}, 'unknown field "dryrun"'),
        (URL + "/api/apply", {"plan": {"settings": {"NAME": "a\n"}}}, "NAME: the value holds a control character (0x0A)"),
        (URL + "/api/restart", {"devices": ["127.0.0.2"], "job": 1}, 'unknown field "job" (devices, jobs)'),
        (URL + "/api/at", {"host": "127.0.0.12", "steps": "NAME"}, '"steps" must be a list'),
        (URL + "/api/io", {"host": "127.0.0.3", "port": "8800", "actions": ["ad"]}, '"port" must be a whole number'),
        (URL + "/api/data", {"host": "127.0.0.3", "text": "a", "hexx": ""}, 'unknown field "hexx"'),
        (URL + "/api/firmware?devices=127.0.0.2&transprot=tcp", {}, 'unknown field "transprot" (devices, skip, transport, name)'),
    ]
    for url, body, message in cases:
        status, _, text = request(url, "POST", body)
        assert status == 400 and message in json.loads(text)["error"], (body, status, text)
    assert '"NAME":"strict-1"' not in request(URL + "/api/devices/127.0.0.2")[2]
    # A MAC with dashes names the device as the tool takes it.
    status, _, text = request(URL + "/api/devices/02-56-44-00-00-0c/settings", "POST", write)
    assert status == 200, text
    assert '"NAME":"strict-1"' in request(URL + "/api/devices/02-56-44-00-00-0C")[2]


def test_a_restore_and_a_write_that_does_not_take_answer_as_set_does():
    fleet = os.path.join(webtest.WORK, "fleet.txt")
    with open(fleet, "w") as f:
        f.write("family-a 127.0.0.2 type=5 name=serial-5 password=admin\n"
                "family-b 127.0.0.12 type=48 name=four-ports password=admin at-port=none ignore-writes=4\n")
    webtest.start_sim("--fleet", fleet)
    webtest.start_web()
    backup = json.loads(request(URL + "/api/devices/127.0.0.2/backup")[2])
    assert "PASS" not in backup["settings"], backup
    backup["settings"]["NAME"] = "restored-1"
    status, headers, text = request(URL + "/api/devices/127.0.0.2/restore", "POST", {"password": "admin", "backup": backup})
    doc = json.loads(text)
    assert status == 200 and doc["changes"] == [{"key": "NAME", "from": "serial-5", "to": "restored-1",
                                                 "result": "stored"}], (status, text)
    assert {s["key"] for s in doc["skipped"]} == {"TYPE", "MAC", "VERSION"}, doc
    assert "restored-1" in webtest.tool("show", "127.0.0.2", "NAME")[1]
    # Every block ignores its first four writes: tried, undone, not restarted.
    status, headers, text = request(URL + "/api/devices/02:56:44:00:00:0C/settings", "POST",
                                    {"password": "admin", "settings": {"C2_BAUD": "9600"}})
    doc = json.loads(text)
    assert status == 502 and headers["X-Vandrel-Exit-Status"] == "1", (status, text)
    assert doc["not_confirmed"] == ["C2_BAUD"] and doc["written"] is False, doc
    assert doc["error"] == ("02:56:44:00:00:0C: not confirmed by reading the device back: C2_BAUD; what was written "
                            "was written back and the device not restarted"), doc


def test_a_second_dashboard_on_the_port_exits():
    start()
    r = subprocess.run([webtest.VANDREL, "web"], capture_output=True, text=True, timeout=30)
    assert r.returncode == 1 and "cannot listen on 127.0.0.1:8080: the port is in use" in r.stderr, r
    assert timed_get()[0] == 200


def test_a_thousand_connections_leave_others_served():
    # (Slow clients are the hostile tests'.) A thousand connections at once,
    # idle, then a thousand requests at once, from 20 addresses (one address
    # holds at most 64).
    start()
    webtest.more_files()
    idle = [socket.create_connection((HOST, PORT), source_address=("127.0.1.%d" % (i % 20 + 1), 0)) for i in range(1000)]
    status, seconds = timed_get()
    assert status == 200 and seconds < 10.0, seconds
    for s in idle:
        s.close()
    asking = [socket.create_connection((HOST, PORT), timeout=60, source_address=("127.0.1.%d" % (i % 20 + 1), 0))
              for i in range(1000)]
    for s in asking:
        s.sendall(b"GET /api/status HTTP/1.1\r\nHost: 127.0.0.1:8080\r\nConnection: close\r\n\r\n")
    bad = [line for line in (s.makefile("rb").readline() for s in asking) if not line.startswith(b"HTTP/1.1 200 ")]
    assert not bad, (len(bad), bad[:3])
    assert timed_get()[0] == 200


# (A token too short is the secrets test's.)
def test_wrong_options_are_usage_errors():
    for args, message in ((["--listen", "8080"], "--listen takes ADDRESS:PORT"),
                          (["--listen", "127.0.0.1:0"], "--listen takes ADDRESS:PORT"),
                          (["--search-every", "0"], "--search-every takes a number of seconds")):
        r = subprocess.run([webtest.VANDREL, "web"] + args, capture_output=True, text=True, timeout=30)
        assert r.returncode == 2 and message in r.stderr, (args, r.returncode, r.stderr)


def test_every_example_of_the_guide_answers():
    start()
    guide = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs", "web.md")
    examples = [line.strip() for line in open(guide) if line.startswith("    curl ")]
    assert len(examples) >= 15
    for example in examples:
        # Each operation started is let finish first: the examples build on each other.
        webtest.wait_for("the operations", webtest.operations_finished)
        r = subprocess.run(example + " -o /dev/null -w '%{http_code}'", shell=True, capture_output=True, text=True, timeout=60)
        assert r.returncode == 0 and r.stdout in ("200", "202"), (example, r.stdout, r.stderr)


if __name__ == "__main__":
    webtest.run(globals())
