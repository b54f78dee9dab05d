"""Prometheus's multi-target /probe (one device read at scrape time, within
the scrape's timeout) and HTTP service discovery /sd, whose labels are the
devices' own texts. (The shipped alerts are tests/prometheus's.)"""

import json
import re
import subprocess
import time

import webtest
from webtest import request

URL = "http://127.0.0.1:8080"


def probe(query, timeout=None):
    headers = {"X-Prometheus-Scrape-Timeout-Seconds": timeout} if timeout else {}
    started = time.monotonic()
    status, _, text = request(URL + "/probe?" + query, headers=headers)
    return status, text, time.monotonic() - started


def test_probe_and_service_discovery():
    webtest.start_sim("--hostile")
    webtest.start_web("--search-every", "2")
    webtest.wait_for("a search", lambda: len(json.loads(request(URL + "/api/devices")[2])) >= 9)
    for query, info in (("target=127.0.0.2", 'type="5",family="A",version="1.05",name="serial-5"'),
                        ("target=02:56:44:00:00:0C&module=family_b", 'type="48",family="B"'),
                        ("target=127.0.0.20", 'type="5",family="A",version="",name="\x1b[2J')):
        status, text, _ = probe(query)
        check = subprocess.run(["promtool", "check", "metrics"], input=text, capture_output=True, text=True)
        assert status == 200 and check.returncode == 0, text + check.stdout + check.stderr
        assert "\nprobe_success 1\n" in text and re.search(r"\nprobe_duration_seconds \d+\.\d{3}\n", text), text
        assert "vandrel_probe_device_info{" + info in text, text
    for query in ("target=127.0.0.2&module=family_b", "target=127.0.0.2&module=http_2xx", "target=--help"):
        assert probe(query)[0] == 400, query
    # A device that stops answering fails its probe within the scrape's time.
    subprocess.run(["nft", "-f", "-"], check=True, text=True, input=(
        "table ip vdweb_fault {\n chain out {\n  type filter hook output priority 0;\n"
        "  ip saddr 127.0.0.4 udp sport 8800 drop\n }\n}\n"))
    status, text, took = probe("target=127.0.0.4", "1.5")
    assert status == 200 and "\nprobe_success 0\n" in text and "vandrel_probe_device_info" not in text, text
    assert 0.9 < took < 1.5, took
    # One target group per device, its texts escaped, cut and spelled as in
    # /metrics (a byte outside UTF-8 as the character that stands for it).
    status, headers, text = request(URL + "/sd")
    groups = {g["targets"][0]: g["labels"] for g in json.loads(text.encode("utf-8", "surrogateescape"))}
    assert status == 200 and headers["Content-Type"] == "application/json", headers
    assert groups["127.0.0.2"] == {"type": "5", "family": "A", "version": "1.05", "name": "serial-5"}, groups
    assert groups["02:56:44:00:00:0C"]["family"] == "B" and "127.0.0.12" not in groups
    assert "\r\nfake\x7f\U0010fcff<img" in groups["127.0.0.20"]["name"], groups["127.0.0.20"]


if __name__ == "__main__":
    webtest.run(globals())
