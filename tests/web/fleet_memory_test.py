"""The dashboard's fleet database: a write through the API is one audit row
a key (channel web, its user the actor, a password redacted) that GET
/api/audit reads back; a restart with the same file keeps the devices, as
offline, until --forget-after; a drift plan checked on a schedule finds a
drift and sees it cleared, in GET /api/drift and /metrics, and counts the
requests its reads send again on a lossy wire; the latest
firmware rollout, stopped by a failing canary, is in /metrics."""

import json
import os
import re
import subprocess
import time

import webtest
from webtest import URL, request
from users_test import USERS, add, users

DB = os.path.join(webtest.WORK, "fleet.db")


def audit(query, headers):
    code, _, text = request(URL + "/api/audit" + query, headers=headers)
    return code, json.loads(text)


def test_a_write_is_audited_with_its_user():
    webtest.start_sim()
    add("op", "operator")
    bearer = {"Authorization": "Bearer " + users("token", "op")[1].strip()}
    webtest.start_web("--users", USERS, "--db", DB)
    write = {"password": "admin", "settings": {"NAME": "audited-1", "PASS": "new-secret"}}
    code, _, text = request(URL + "/api/devices/127.0.0.2/settings", "POST", write, bearer)
    assert code == 200, text
    code, doc = audit("?device=127.0.0.2&since=1h", bearer)
    rows = {r["key"]: r for r in doc["writes"]}
    assert code == 200 and len(doc["writes"]) == 2 and "new-secret" not in json.dumps(doc), doc
    assert {(r["channel"], r["actor"], r["operation"] != "") for r in rows.values()} == {("web", "op", True)}
    assert rows["NAME"]["after"] == "audited-1" and rows["PASS"]["after"] == "(changed)", rows
    assert audit("?device=127.0.0.5", bearer) == (200, {"writes": [], "cut": False})
    code, newest = audit("?device=127.0.0.2&limit=1", bearer)
    assert newest["cut"] and [r["key"] for r in newest["writes"]] == [doc["writes"][-1]["key"]], newest
    # An operation's devices, each served by a worker of its own, share its operation.
    plan = {"password": "admin", "settings": {"NAME": "line-2"}, "devices": [{"ip": "127.0.0.3"}, {"ip": "127.0.0.4"}]}
    assert request(URL + "/api/apply", "POST", {"plan": plan}, bearer)[0] == 202
    operations = lambda: json.loads(request(URL + "/api/operations", headers=bearer)[2])
    webtest.wait_for("the apply", lambda: all(o["finished"] for o in operations()))
    applied = [r for r in audit("", bearer)[1]["writes"] if r["after"] == "line-2"]
    assert sorted(r["device"] for r in applied) == ["127.0.0.3", "127.0.0.4"], applied
    assert len({r["operation"] for r in applied} | {rows["NAME"]["operation"]}) == 2, applied
    assert [audit(q, bearer)[0] for q in ("?since=yesterday", "?who=op", "?limit=0", "?limit=10001")] == [400] * 4
    # A restart of a device of each family, named as the table names it.
    webtest.wait_for("a search", lambda: len(json.loads(request(URL + "/api/devices", headers=bearer)[2])) == 7)
    restart = {"devices": ["127.0.0.3", "02-56-44-00-00-0a"]}
    assert request(URL + "/api/restart", "POST", restart, bearer)[0] == 202
    webtest.wait_for("the restart", lambda: all(o["finished"] for o in operations()))
    restarts = [r for r in audit("", bearer)[1]["writes"] if r["key"] == "RESETDEV"]
    assert sorted((r["device"], r["after"], r["actor"], r["channel"]) for r in restarts) == [
        ("02:56:44:00:00:0A", "02:56:44:00:00:0A", "op", "web"), ("127.0.0.3", "1", "op", "web")], restarts
    assert len({r["operation"] for r in restarts}) == 1, restarts


def test_a_restart_keeps_the_devices_until_forgotten():
    sim = webtest.start_sim()[0]
    web = webtest.start_web("--db", DB, "--search-every", "1")[0]
    devices = lambda: json.loads(request(URL + "/api/devices")[2])
    seen = webtest.wait_for("a search", devices)
    for proc in (web, sim):
        proc.terminate()
        proc.wait(10)
    webtest.start_web("--db", DB)
    kept = devices()
    assert sorted(d["mac"] for d in kept) == sorted(d["mac"] for d in seen) and not any(d["online"] for d in kept)
    time.sleep(2)
    webtest.stop_all()
    webtest.start_web("--db", DB, "--forget-after", "1")
    assert devices() == []


def test_a_drift_plan_is_found_and_cleared_on_schedule():
    webtest.start_sim()
    plan = os.path.join(webtest.WORK, "plan.txt")
    with open(plan, "w") as f:
        f.write("127.0.0.2 NAME=in-plan C1_BAUD=9\n02:56:44:00:00:0C NAME=four-ports\n")
    webtest.start_web("--db", DB, "--drift-plan", plan, "--drift-every", "1")
    drift = lambda: {d["device"]: d for d in json.loads(request(URL + "/api/drift")[2])["devices"]}
    metric = lambda ip, v: 'vandrel_config_drift{device="%s",type="5"} %d' % (ip, v) in request(URL + "/metrics")[2]
    found = webtest.wait_for("a drift", lambda: drift().get("127.0.0.2", {}).get("result") == "drift" and drift())
    assert found["127.0.0.2"]["drifted"] == ["NAME"] and found["02:56:44:00:00:0C"]["result"] == "in sync", found
    assert metric("127.0.0.2", 1)
    write = {"password": "admin", "settings": {"NAME": "in-plan"}}
    assert request(URL + "/api/devices/127.0.0.2/settings", "POST", write)[0] == 200
    webtest.wait_for("the drift cleared", lambda: metric("127.0.0.2", 0))
    assert drift()["127.0.0.2"]["result"] == "in sync"
    # Each check's reads are kept as snapshots.
    assert len(json.loads(webtest.tool("snapshots", "127.0.0.2", "--db", DB, "--json")[1])["snapshots"]) >= 2
    code, _, text = request(URL + "/api/drift")
    assert code == 200 and json.loads(text)["error"] is None, text
    # Every other answer of the device lost: its reads ask again, and say so.
    subprocess.run(["nft", "-f", "-"], check=True, text=True, input=(
        "table ip vdweb_fault {\n chain out {\n  type filter hook output priority 0;\n"
        "  ip saddr 127.0.0.2 udp sport 8800 numgen inc mod 2 0 drop\n }\n}\n"))
    resent = lambda: int(re.search(r"\nvandrel_requests_resent_total (\d+)\n", request(URL + "/metrics")[2]).group(1))
    webtest.wait_for("a request sent again", lambda: resent() > 0)


def test_a_stopped_rollout_is_in_the_metrics():
    webtest.start_sim("--set", "127.0.0.2", "firmware=no-ack")
    image = os.path.join(webtest.WORK, "app.bin")
    with open(image, "w") as f:
        f.write("APP VERSION=9.99\n")
    status, _ = webtest.tool("firmware", "rollout", image, "--expect-version", "9.99", "--range", "127.0.0.2/31",
                             "--db", DB)
    assert status == 1, status
    webtest.start_web("--db", DB)
    text = request(URL + "/metrics")[2]
    for line in ('vandrel_rollout_stopped{rollout="1"} 1', 'vandrel_rollout_devices{rollout="1",state="failed"} 1',
                 'vandrel_rollout_devices{rollout="1",state="pending"} 1',
                 'vandrel_rollout_devices{rollout="1",state="updated"} 0'):
        assert line + "\n" in text, (line, [l for l in text.split("\n") if "rollout" in l])


if __name__ == "__main__":
    webtest.run(globals())
