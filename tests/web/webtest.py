"""Helpers of the dashboard's tests: each test runs in a private network
namespace of its own (ctest starts it through scripts/in-netns.sh) with a
vandrel-sim fleet, a `vandrel web` and, for the browser tests, Debian's
headless chromium driven by selenium."""

import json
import os
import base64
import hashlib
import resource
import shutil
import ssl
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.request

VANDREL = os.environ["VANDREL"]
VANDREL_SIM = os.environ["VANDREL_SIM"]
SHOTS = os.environ.get("VANDREL_WEB_SHOTS", tempfile.gettempdir())
# The tool's workers keep no fleet database of the user's.
os.environ.setdefault("VANDREL_DB", "off")
WORK = tempfile.mkdtemp(prefix="vandrel-web-test-")
HOST, PORT = "127.0.0.1", 8080
URL = "http://127.0.0.1:8080"  # the dashboard on loopback, where most tests start it
_started = []


def wait_for(what, check, seconds=15.0):
    """Polls check() until it returns something true; fails after seconds."""
    end = time.monotonic() + seconds
    while True:
        value = check()
        if value:
            return value
        if time.monotonic() > end:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(0.1)


def _start(args, log_name, ready):
    log = os.path.join(WORK, log_name)
    proc = subprocess.Popen(args, stdout=open(log, "w"), stderr=subprocess.STDOUT)
    _started.append(proc)
    wait_for(log_name + " to start", lambda: ready in open(log).read() or proc.poll() is not None)
    if proc.poll() is not None:
        raise AssertionError(log_name + " ended: " + open(log).read())
    return proc, log


def start_sim(*args):
    """vandrel-sim with its built-in fleet and the options given."""
    return _start([VANDREL_SIM, "--quiet"] + list(args), "sim.log", "devices ready")


def start_web(*args):
    """vandrel web with args; returns (process, base URL, its log's path)."""
    proc, log = _start([VANDREL, "web"] + list(args), "web.log", "serving ")
    line = [l for l in open(log).read().splitlines() if "serving " in l][0]
    return proc, line.split("serving ", 1)[1].split("?")[0], log


def lab_link():
    """A veth link with the lab address 198.18.200.1, inside the test's own
    namespace."""
    subprocess.run(["ip", "-batch", "-"], check=True, text=True, input=(
        "link add vdweb0 type veth peer name vdweb1\naddr add 198.18.200.1/24 dev vdweb0\n"
        "link set vdweb0 up\nlink set vdweb1 up\n"))


def make_cert(ip):
    """A self-signed certificate for ip and its key (PEM files), and the
    context that trusts it."""
    cert, key = os.path.join(WORK, "cert.pem"), os.path.join(WORK, "key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
                    "-keyout", key, "-out", cert, "-days", "1", "-subj", "/CN=" + ip,
                    "-addext", "subjectAltName=IP:" + ip], check=True, capture_output=True)
    return cert, key, ssl.create_default_context(cafile=cert)


def spki_hash(cert):
    """The certificate's key as chromium's --ignore-certificate-errors-spki-list names it."""
    der = ssl.PEM_cert_to_DER_cert(open(cert).read())
    key = subprocess.run(["openssl", "x509", "-inform", "der", "-pubkey", "-noout"], input=der, capture_output=True,
                         check=True).stdout
    spki = subprocess.run(["openssl", "pkey", "-pubin", "-outform", "der"], input=key, capture_output=True,
                          check=True).stdout
    return base64.b64encode(hashlib.sha256(spki).digest()).decode()


def operations_finished(url=URL):
    return all(o["finished"] for o in json.loads(request(url + "/api/operations")[2]))


def more_files():
    """Room for thousands of connections."""
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (max(soft, min(hard, 8192)), hard))


def stop_all():
    for proc in reversed(_started):
        if proc.poll() is None:
            proc.terminate()
            try:
                proc.wait(10)
            except subprocess.TimeoutExpired:
                proc.kill()


def tool(*args):
    """Runs vandrel; returns (exit status, standard output)."""
    r = subprocess.run([VANDREL] + list(args), capture_output=True, text=True, timeout=60)
    return r.returncode, r.stdout


def status_kib(pid, field):
    """A memory figure of /proc/PID/status (VmHWM, VmSize, ...) in KiB."""
    for line in open("/proc/%d/status" % pid):
        if line.startswith(field + ":"):
            return int(line.split()[1])
    return 0


def request(url, method="GET", body=None, headers=None, raw=None, context=None):
    """An HTTP request (HTTPS trusting context); returns (status, headers, body text)."""
    data = raw if raw is not None else (json.dumps(body).encode() if body is not None else None)
    req = urllib.request.Request(url, data=data, method=method, headers=headers or {})
    if data is not None and "Content-Type" not in req.headers:
        req.add_header("Content-Type", "application/json")
    try:
        with urllib.request.urlopen(req, timeout=60, context=context) as res:
            return res.status, res.headers, res.read().decode()
    except urllib.error.HTTPError as e:
        return e.code, e.headers, e.read().decode()


def run(module_globals):
    """Runs the test case named on the command line."""
    name = sys.argv[1]
    try:
        module_globals[name]()
    except BaseException:
        stop_all()
        print("the test's files are kept in " + WORK, file=sys.stderr)
        raise
    stop_all()
    shutil.rmtree(WORK, ignore_errors=True)
    print(name + ": passed")
