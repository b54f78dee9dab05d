"""The dashboard with users (--users): every route of the API for every
role, walked from the route table (no change within a viewer's reach, and
no route the table leaves out), the users commands and their file, login
and logout, the CSRF token, sessions that expire, API tokens, and the
proxy's login header trusted from the proxy's addresses alone."""

import glob
import http.client
import json
import os
import re
import stat
import subprocess
import time

import webtest
from webtest import request

URL = "http://127.0.0.1:8080"
USERS = os.path.join(webtest.WORK, "users")
ROLES = ("viewer", "operator", "admin")
SOURCES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "web")
OWN = ("/api/login", "/api/logout")  # change the caller's own login alone
SAMPLES = {"[0-9A-Fa-f.:]{1,17}": "127.0.0.2", "\\d{1,9}": "1", "\\d{1,3}": "5"}


def users(*args, password=None):
    r = subprocess.run([webtest.VANDREL, "web", "users", *args, "--users", USERS], input=password or "",
                       capture_output=True, text=True, timeout=60)
    return r.returncode, r.stdout + r.stderr


def add(name, role, password="pass-" + "word1"):
    assert users("add", name, "--role", role, password=password + "\n") == (0, "")


def status(method, path, headers=None, source=None, host="127.0.0.1"):
    """The status alone: an event stream is never read to its end."""
    conn = http.client.HTTPConnection(host, 8080, timeout=30, source_address=(source, 0) if source else None)
    conn.request(method, path, body=b"" if method == "POST" else None, headers=headers or {})
    code = conn.getresponse().status
    conn.close()
    return code


def login(name, password="pass-" + "word1"):
    code, headers, text = request(URL + "/api/login", "POST", {"name": name, "password": password})
    return code, headers.get("Set-Cookie", "").split(";")[0], text


def test_every_route_for_every_role():
    webtest.start_sim()
    tokens = {}
    for role in ROLES:
        add(role, role)
        tokens[role] = users("token", role)[1].strip()
    webtest.start_web("--users", USERS)
    bearer = {role: {"Authorization": "Bearer " + tokens[role]} for role in ROLES}
    table = json.loads(request(URL + "/api/routes", headers=bearer["viewer"])[2])
    # Every route the server registers is in the table (the page's files aside).
    registered = sum(len(re.findall(r"server\.(?:Get|Post|Put|Delete|Patch)\((?!path,)", open(f).read()))
                     for f in glob.glob(os.path.join(SOURCES, "*.cpp")))
    assert registered == len(table), (registered, len(table))
    for route in table:
        path = route["path"]
        for pattern, sample in SAMPLES.items():
            path = path.replace(pattern, sample)
        assert re.fullmatch(r"[a-z0-9/._]+", path), path
        least = ("anyone",) + ROLES
        for rank, role in enumerate(ROLES, 1):
            code = status(route["method"], path, bearer[role])
            allowed = rank >= least.index(route["role"])
            assert (code not in (401, 403)) == allowed, (route, role, code)
            if role == "viewer" and route["method"] != "GET" and path not in OWN:
                assert code == 403, route
        assert (status(route["method"], path) == 401) == (route["role"] != "anyone"), route
    # Not in the table: refused, whoever asks.
    assert status("PUT", "/api/devices", bearer["admin"]) == 403
    assert status("GET", "/api/elsewhere", bearer["admin"]) == 403
    assert status("GET", "/login.html") == 200 and status("GET", "/") == 200


def test_the_users_commands_and_their_file():
    add("ann", "viewer")
    assert "there is a user ann already" in users("add", "ann", "--role", "admin", password="pass-word2\n")[1]
    assert users("add", "bob", "--role", "root", password="pass-word2\n")[0] == 2
    assert "at least 8 characters" in users("add", "bob", "--role", "admin", password="short\n")[1]
    assert users("add", "bad:name", "--role", "admin", password="pass-word2\n")[0] == 2
    add("bob", "admin")
    users("token", "bob")
    assert json.loads(users("list", "--json")[1]) == {"users": [{"name": "ann", "role": "viewer", "token": False},
                                                                {"name": "bob", "role": "admin", "token": True}]}
    assert users("remove", "ann")[0] == 0 and "no user ann" in users("passwd", "ann", password="pass-word3\n")[1]
    text = open(USERS).read()
    assert stat.S_IMODE(os.stat(USERS).st_mode) == 0o600 and os.listdir(webtest.WORK) == ["users"]
    assert "pass-word" not in text and re.search(r"^bob:admin:\$argon2id\$v=19\$[^:]+:[0-9a-f]{64}$", text, re.M)


def test_login_logout_csrf_expiry_and_the_limit():
    webtest.start_sim()
    add("op", "operator")
    webtest.start_web("--users", USERS, "--session-idle", "2", "--session-max", "5")
    assert status("GET", "/api/status") == 401
    wrong = [login("op", "wrong-pass")[::2], login("nobody", "pass-word1")[::2]]
    assert wrong[0] == wrong[1] and wrong[0][0] == 401 and "wrong name or password" in wrong[0][1], wrong
    code, cookie, text = login("op")
    assert code == 200 and json.loads(text)["role"] == "operator"
    assert request(URL + "/api/login", "POST", {"name": "op", "password": "pass-word1"})[1]["Set-Cookie"].endswith(
        "; Path=/; HttpOnly; SameSite=Strict")
    csrf = json.loads(request(URL + "/api/session", headers={"Cookie": cookie})[2])["csrf"]
    change = {"Cookie": cookie, "Content-Type": "application/json"}
    for headers in (change, dict(change, **{"X-CSRF-Token": "0" * 64})):
        assert request(URL + "/api/restart", "POST", {"devices": []}, headers=headers)[0] == 403
    code, _, text = request(URL + "/api/restart", "POST", {"devices": []}, headers=dict(change, **{"X-CSRF-Token": csrf}))
    assert code == 202, text
    assert json.loads(request(URL + "/api/operations", headers={"Cookie": cookie})[2])[0]["user"] == "op"
    # Used every second, it still ends 5 s after its login; unused, after 2 s.
    started = time.monotonic()
    while time.monotonic() - started < 4:
        assert status("GET", "/api/status", {"Cookie": cookie}) == 200
        time.sleep(1)
    webtest.wait_for("the end of the session", lambda: status("GET", "/api/status", {"Cookie": cookie}) == 401, 3)
    cookie = login("op")[1]
    time.sleep(2.5)
    assert status("GET", "/api/status", {"Cookie": cookie}) == 401
    # A logout, or another password, ends it.
    cookie = login("op")[1]
    assert request(URL + "/api/logout", "POST", {}, headers={"Cookie": cookie})[0] == 403  # no CSRF token
    csrf = json.loads(request(URL + "/api/session", headers={"Cookie": cookie})[2])["csrf"]
    code, headers, _ = request(URL + "/api/logout", "POST", {}, headers={"Cookie": cookie, "X-CSRF-Token": csrf})
    assert code == 200 and "Max-Age=0" in headers["Set-Cookie"]
    assert status("GET", "/api/status", {"Cookie": cookie}) == 401
    cookie = login("op")[1]
    users("passwd", "op", password="pass-word9\n")
    assert status("GET", "/api/status", {"Cookie": cookie}) == 401
    # Five failures a minute from one address (two above); then even the right password waits.
    assert [login("op", "guess-%d" % i)[0] for i in range(4)] == [401] * 3 + [429]
    assert login("op", "pass-word9")[0] == 429


def test_tokens_and_the_proxys_login_header():
    subprocess.run(["ip", "addr", "add", "198.18.0.1/32", "dev", "lo"], check=True)
    subprocess.run(["ip", "addr", "add", "198.18.0.2/32", "dev", "lo"], check=True)
    add("ops", "operator")
    add("eve", "viewer")
    first, second = users("token", "ops")[1].strip(), users("token", "ops")[1].strip()
    assert re.fullmatch("[0-9a-f]{64}", second) and first != second and second not in open(USERS).read()
    r = subprocess.run([webtest.VANDREL, "web", "--users", USERS, "--login-header", "X-User"], capture_output=True,
                       text=True, timeout=30)
    assert r.returncode == 2 and "--login-header needs --behind-proxy" in r.stderr
    webtest.start_sim()
    webtest.start_web("--listen", "198.18.0.1:8080", "--behind-proxy", "198.18.0.2", "--users", USERS,
                      "--login-header", "X-User")
    proxy = {"source": "198.18.0.2", "host": "198.18.0.1"}
    # A token: changes without a CSRF token (no browser sends it unasked); the replaced one no more.
    assert status("POST", "/api/restart", {"Authorization": "Bearer " + second}, **proxy) == 400
    assert status("GET", "/api/status", {"Authorization": "Bearer " + first}, **proxy) == 401
    # The header names the user, for reads and, with the user's CSRF token, for changes.
    conn = http.client.HTTPConnection("198.18.0.1", 8080, timeout=30, source_address=("198.18.0.2", 0))
    conn.request("GET", "/api/session", headers={"X-User": "ops"})
    csrf = json.loads(conn.getresponse().read())["csrf"]
    assert status("POST", "/api/restart", {"X-User": "ops"}, **proxy) == 403
    assert status("POST", "/api/restart", {"X-User": "ops", "X-CSRF-Token": csrf}, **proxy) == 400
    assert status("POST", "/api/restart", {"X-User": "eve", "X-CSRF-Token": csrf}, **proxy) == 403
    assert status("GET", "/api/status", {"X-User": "nobody"}, **proxy) == 401
    assert status("GET", "/api/status", {"X-User": "ops"}, source="198.18.0.1", host="198.18.0.1") == 403
    # Behind the proxy the session's cookie goes over HTTPS only.
    conn = http.client.HTTPConnection("198.18.0.1", 8080, timeout=30, source_address=("198.18.0.2", 0))
    conn.request("POST", "/api/login", body=json.dumps({"name": "eve", "password": "pass-word1"}),
                 headers={"Content-Type": "application/json"})
    assert "; Secure" in conn.getresponse().getheader("Set-Cookie")


if __name__ == "__main__":
    webtest.run(globals())
