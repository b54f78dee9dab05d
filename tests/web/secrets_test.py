"""The dashboard keeps device passwords to itself (no answer, operation,
backup, event, error, log or worker's command line shows one, current, new
or a plan's) and refuses what other sites' pages ask: reads as well as
changes, redirects elsewhere; every answer says nosniff, and no worker
inherits a client's connection. (NUL characters: the server tests'.)"""

import http.client
import json
import os
import socket
import subprocess
import threading
import time

import webtest
from webtest import URL, request

SECRETS = ("NewPw42", "Final99", "AtPw55", "TooLongPw-0123456789")


class Watch(threading.Thread):
    """Samples every process's command line, and reads /api/events, while
    the test runs."""

    def __init__(self):
        super().__init__(daemon=True)
        self.cmdlines, self.events, self.running = set(), b"", True
        self.stream = socket.create_connection(("127.0.0.1", 8080), timeout=0.01)
        self.stream.sendall(b"GET /api/events HTTP/1.1\r\nHost: 127.0.0.1:8080\r\n\r\n")
        self.start()

    def run(self):
        while self.running:
            for pid in filter(str.isdigit, os.listdir("/proc")):
                try:
                    self.cmdlines.add(open("/proc/%s/cmdline" % pid, "rb").read().replace(b"\0", b" ").decode())
                except OSError:
                    pass
            try:
                self.events += self.stream.recv(65536)
            except socket.timeout:
                pass

    def stop(self):
        self.running = False
        self.join()
        self.stream.close()


def operation(body):
    status, _, text = request(URL + "/api/apply", "POST", body)
    assert status == 202, text
    path = URL + "/api/operations/%d" % json.loads(text)["operation"]
    return json.loads(webtest.wait_for("the apply", lambda: json.loads(request(path)[2])["finished"] and request(path)[2]))


def test_passwords_never_leave_the_dashboard():
    webtest.start_sim()
    _, _, log = webtest.start_web("--search-every", "2")
    webtest.wait_for("a search", lambda: len(json.loads(request(URL + "/api/devices")[2])) == 7)
    watch = Watch()
    settings = URL + "/api/devices/127.0.0.2/settings"
    seen = []

    def post(path, body, expected):
        status, _, text = request(path, "POST", body)
        assert status == expected, (path, status, text)
        seen.append(text)
        return json.loads(text)

    doc = post(settings, {"settings": {"PASS": "NewPw42"}, "dry_run": True, "password": "admin"}, 200)
    assert doc["changes"] == [{"key": "PASS", "from": "(changed)", "to": "(changed)"}], doc
    doc = post(settings, {"settings": {"PASS": "TooLongPw-0123456789"}, "password": "admin"}, 422)
    assert "PASS: the device would store another value" in doc["error"], doc
    doc = post(settings, {"settings": {"PASS": "NewPw42"}, "password": "admin"}, 200)
    assert doc["changes"][0]["from"] == "(changed)" and doc["changes"][0]["result"] == "stored", doc
    # A plan's password is kept as well as the new one.
    plan = {"password": "NewPw42", "devices": [{"ip": "127.0.0.2", "settings": {"PASS": "Final99", "NAME": "pw-1"}}]}
    doc = post(URL + "/api/apply", {"plan": plan, "dry_run": True}, 200)
    assert {"key": "PASS", "from": "(changed)", "to": "(changed)"} in doc["devices"][0]["changes"], doc
    done = operation({"plan": plan})
    assert done["summary"] == "1 ok", done
    # The write took the plan's password, not what the check showed.
    assert "Final99" in webtest.tool("show", "127.0.0.2", "--with-password")[1]
    at = URL + "/api/at"
    # The simulated device takes no PASS over AT: the step fails, masked.
    doc = post(at, {"host": "127.0.0.10", "password": "admin", "steps": ["NAME", "PASS=AtPw55"]}, 502)
    assert [s["value"] for s in doc["steps"]] == ["one-port", "(changed)"], doc
    post(at, {"host": "127.0.0.10", "password": "AtPw55", "steps": ["NAME", "PASS=AtPw55\r\nRESET"]}, 400)
    seen += [request(URL + p)[2] for p in ("/api/operations", "/api/devices/127.0.0.2", "/api/devices/127.0.0.2/backup",
                                           "/metrics", "/api/devices")]
    time.sleep(0.5)
    watch.stop()
    seen += [watch.events.decode(errors="replace"), open(log).read()]
    workers = [c for c in watch.cmdlines if " --json" in c]
    # Writes run in the server's own process; a session still in a worker.
    assert not any(" set " in c for c in workers) and any(" at " in c for c in workers), workers
    for text in seen + workers:
        for secret in SECRETS:
            assert secret not in text, (secret, text)


def socket_inodes(pid):
    """The fds of a process from 3 on, and their targets."""
    links = {}
    for fd in os.listdir("/proc/%d/fd" % pid):
        try:
            links[int(fd)] = os.readlink("/proc/%d/fd/%s" % (pid, fd))
        except OSError:
            pass
    return {fd: link for fd, link in links.items() if fd > 2}


def test_other_sites_redirects_nosniff_and_inherited_sockets():
    webtest.lab_link()
    # The token from the environment or a file: in no process list, not
    # printed.
    proxy = ("--listen", "198.18.200.1:8080", "--behind-proxy", "198.18.200.1/32")
    r = subprocess.run([webtest.VANDREL, "web", *proxy], capture_output=True, text=True,
                       timeout=30, env=dict(os.environ, VANDREL_WEB_TOKEN="short"))
    assert r.returncode == 2 and "VANDREL_WEB_TOKEN takes at least 16 characters" in r.stderr, r.stderr
    token = "a-token-of-my-own-0123"
    path = os.path.join(webtest.WORK, "token")
    open(path, "w").write(token + "\n")
    webtest.start_sim()
    proc, _, log = webtest.start_web(*proxy, "--token-file", path)
    assert token not in open(log).read() and token not in open("/proc/%d/cmdline" % proc.pid).read()
    url = "http://198.18.200.1:8080"
    auth = {"Authorization": "Bearer " + token}
    device = url + "/api/devices/127.0.0.2"
    # Reads and writes from another site's page: an <img> (cross-site, or
    # another port of this host), a script's fetch or form; the page's own,
    # and a link that opens the page, are served.
    write = {"password": "admin", "settings": {"NAME": "cross"}}
    for headers in ({"Sec-Fetch-Site": "cross-site"}, {"Sec-Fetch-Site": "same-site"}, {"Origin": "http://evil.example"},
                    {"Origin": "http://198.18.200.1:8081"}):
        for status, _, text in (request(device, headers=dict(auth, **headers)),
                                request(device + "/settings", "POST", write, dict(auth, **headers))):
            assert status == 403 and "another site" in text, (headers, status, text)
    assert "serial-5" in webtest.tool("show", "127.0.0.2", "NAME")[1]
    assert request(device, headers=dict(auth, **{"Sec-Fetch-Site": "same-origin"}))[0] == 200
    # Behind the proxy, the page's origin is HTTPS.
    assert request(device + "/settings", "POST", write, dict(auth, Origin="https://198.18.200.1:8080"))[0] == 200
    assert request(url + "/", headers=dict(auth, **{"Sec-Fetch-Site": "cross-site", "Sec-Fetch-Mode": "navigate"}))[0] == 200
    # The token's redirect stays on this server.
    for path, expected in (("//evil.example/x", "/"), ("/%2F%2Fevil.example", "/"), ("/\\evil.example", "/"),
                           ("/index.html", "/index.html")):
        conn = http.client.HTTPConnection("198.18.200.1", 8080, timeout=10)
        conn.request("GET", path + "?token=" + token)
        res = conn.getresponse()
        assert res.status == 303 and res.getheader("Location") == expected, (path, res.status, res.getheader("Location"))
        conn.close()
    # nosniff on every answer: a page, JSON, metrics, errors of each kind.
    for path, extra, expected in (("/", auth, 200), ("/api/devices", auth, 200), ("/metrics", auth, 200),
                                  ("/api/nothing", auth, 404), ("/api/devices", {}, 401),
                                  ("/api/devices", dict(auth, Origin="http://evil.example"), 403)):
        status, headers, _ = request(url + path, headers=extra)
        assert status == expected and headers["X-Content-Type-Options"] == "nosniff", (path, status, headers)
    with socket.create_connection(("198.18.200.1", 8080), timeout=10) as s:
        s.sendall(b"GARBAGE\r\n\r\n")
        assert b"X-Content-Type-Options: nosniff" in s.recv(65536)
    # A worker that runs while other clients are connected holds none of
    # the server's descriptors, and the server's own are closed on exec.
    quiet = socket.socket()
    quiet.bind(("127.0.0.1", 0))
    quiet.listen()
    idle = [socket.create_connection(("198.18.200.1", 8080)) for _ in range(5)]
    data = threading.Thread(target=request, args=(url + "/api/data", "POST", {
        "host": "127.0.0.1", "port": quiet.getsockname()[1], "text": "DataPw77", "wait": 4000}, auth))
    data.start()
    worker = webtest.wait_for("the data worker", lambda: [int(p) for p in filter(str.isdigit, os.listdir("/proc"))
                                                          if b"\0data\0" in open("/proc/%s/cmdline" % p, "rb").read()])
    time.sleep(0.5)
    assert b"DataPw77" not in open("/proc/%d/cmdline" % worker[0], "rb").read()
    server = socket_inodes(proc.pid)
    inherited = set(socket_inodes(worker[0]).values()) & set(server.values())
    assert not inherited, inherited
    for fd in server:
        try:
            info = open("/proc/%d/fdinfo/%d" % (proc.pid, fd)).read()
        except OSError:
            continue  # closed since it was listed: a search's or a read's socket
        assert int(info.split("flags:")[1].split()[0], 8) & 0o2000000, (fd, server[fd])
    data.join()
    for s in idle + [quiet]:
        s.close()


if __name__ == "__main__":
    webtest.run(globals())
