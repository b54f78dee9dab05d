"""The dashboard over HTTPS (curl and Python trusting the test's own
certificate; chromium's is the browser test's), its files refused with a
clear message, the limits kept under TLS, and the refusal to serve in clear
off loopback unless behind a proxy, whose addresses alone it answers."""

import http.client
import json
import os
import socket
import subprocess
import time

import webtest
from webtest import request


def refused(*args):
    """vandrel web that must not start: its standard error."""
    r = subprocess.run([webtest.VANDREL, "web", *args], capture_output=True, text=True, timeout=30)
    assert r.returncode == 2, (args, r.returncode, r.stderr)
    return r.stderr


def test_https_with_curl_its_files_checked_and_its_limits_kept():
    cert, key, context = webtest.make_cert("127.0.0.1")
    other = os.path.join(webtest.WORK, "other.pem")
    subprocess.run(["openssl", "genpkey", "-algorithm", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-out", other],
                   check=True, capture_output=True)
    for args, message in (((cert, "/nonexistent.pem"), "--tls-key /nonexistent.pem: No such file or directory"),
                          ((key, key), "--tls-cert " + key + ": not a PEM certificate"),
                          ((cert, cert), "--tls-key " + cert + ": not a PEM private key without a passphrase"),
                          ((cert, other), "--tls-key " + other + " is not the key of --tls-cert " + cert)):
        assert message in refused("--tls-cert", args[0], "--tls-key", args[1]), message
    assert "go together" in refused("--tls-cert", cert)
    webtest.start_sim()
    _, url, _ = webtest.start_web("--search-every", "2", "--tls-cert", cert, "--tls-key", key)
    assert url == "https://127.0.0.1:8080/"
    webtest.wait_for("a search", lambda: len(json.loads(request(url + "api/devices", context=context)[2])) == 7)
    out = subprocess.run(["curl", "-sS", "--cacert", cert, url + "api/devices/127.0.0.2"], capture_output=True,
                         text=True, timeout=30)
    assert '"NAME":"serial-5"' in out.stdout, out.stdout + out.stderr
    assert subprocess.run(["curl", "-sS", "http://127.0.0.1:8080/"], capture_output=True).returncode != 0
    # Clients that connect and never begin TLS hold up nobody.
    idle = [socket.create_connection(("127.0.0.1", 8080)) for _ in range(8)]
    started = time.monotonic()
    assert request(url + "api/status", context=context)[0] == 200 and time.monotonic() - started < 2
    # The head's limits hold inside TLS too.
    conn = http.client.HTTPSConnection("127.0.0.1", 8080, context=context, timeout=20)
    conn.putrequest("GET", "/api/status")
    for i in range(120):
        conn.putheader("X-Filler-%d" % i, "x")
    conn.endheaders()
    assert conn.getresponse().status == 431
    for s in idle:
        s.close()


def test_off_loopback_only_over_tls_or_from_the_proxy():
    subprocess.run(["ip", "addr", "add", "198.18.0.1/32", "dev", "lo"], check=True)
    subprocess.run(["ip", "addr", "add", "198.18.0.2/32", "dev", "lo"], check=True)
    assert "refusing to serve 198.18.0.1 without TLS" in refused("--listen", "198.18.0.1:8080")
    assert "'198.18.0.0/33' is not one" in refused("--listen", "198.18.0.1:8080", "--behind-proxy", "::1,198.18.0.0/33")
    webtest.start_sim()
    token = "0123456789abcdef-token"
    webtest.start_web("--listen", "198.18.0.1:8080", "--behind-proxy", "10.0.0.0/8,198.18.0.2/31", "--token", token)

    def get(source, path="/api/status", auth=True, **headers):
        conn = http.client.HTTPConnection("198.18.0.1", 8080, timeout=20, source_address=(source, 0))
        conn.request("GET", path, headers=dict(headers, **({"Authorization": "Bearer " + token} if auth else {})))
        res = conn.getresponse()
        return res.status, res.getheader("Set-Cookie") or "", res.read().decode()

    status, _, text = get("198.18.0.1")
    assert status == 403 and "proxy" in text, (status, text)
    # The proxy's connections are all its clients': not held to one address's 64.
    held = [socket.create_connection(("198.18.0.1", 8080), source_address=("198.18.0.2", 0)) for _ in range(70)]
    time.sleep(0.5)
    assert get("198.18.0.2")[0] == 200
    # The page's origin is the one the proxy forwards, HTTPS unless it says.
    forwarded = {"X-Forwarded-Host": "dash.example"}
    for origin, proto, expected in (("https://dash.example", None, 200), ("http://dash.example", None, 403),
                                    ("http://dash.example", "http", 200), ("https://198.18.0.1:8080", None, 403)):
        headers = dict(forwarded, Origin=origin, **({"X-Forwarded-Proto": proto} if proto else {}))
        assert get("198.18.0.2", **headers)[0] == expected, (origin, proto)
    # The token's cookie is sent over HTTPS only.
    assert "; Secure" in get("198.18.0.2", "/?token=" + token, auth=False)[1]
    for s in held:
        s.close()


if __name__ == "__main__":
    webtest.run(globals())
