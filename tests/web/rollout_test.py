"""The dashboard's rollout view of the fleet database's latest firmware
rollout: paused through the API while its canary runs, the rollout stops
before its next wave and the later devices are left untouched; resumed
from the page in chromium, every device is updated and downloaded once. An
abort while it runs stops it before its next wave, for good. One whose
process was killed is paused at once and resumes."""

import json
import os
import re
import subprocess

from selenium.webdriver.common.by import By

import browser
import webtest
from webtest import URL, request

DB = os.path.join(webtest.WORK, "fleet.db")
IMAGE = os.path.join(webtest.WORK, "app.bin")
SIM_LOG = os.path.join(webtest.WORK, "sim.log")


def start_fleet_and_rollout():
    """Eight family A devices away 1.5 s on a restart, the dashboard, and a
    rollout to them (waves of 1, 2, 4 and 1) in a process of its own."""
    fleet = os.path.join(webtest.WORK, "fleet.txt")
    with open(fleet, "w") as f:
        f.writelines("family-a 127.0.0.%d type=5 password=admin restart-ms=1500\n" % n for n in range(2, 10))
    with open(IMAGE, "w") as f:
        f.write("APP VERSION=1.06\n")
    webtest._start([webtest.VANDREL_SIM, "--fleet", fleet], "sim.log", "devices ready")
    webtest.start_web("--db", DB)
    assert json.loads(request(URL + "/api/rollout")[2]) == {"rollout": None}
    proc = subprocess.Popen([webtest.VANDREL, "firmware", "rollout", IMAGE, "--expect-version", "1.06", "--range",
                             "127.0.0.0/28", "--canary", "1", "--db", DB], stderr=subprocess.PIPE, text=True)
    webtest._started.append(proc)
    webtest.wait_for("the rollout", lambda: (rollout() or {}).get("state") == "running")
    return proc


def rollout():
    return json.loads(request(URL + "/api/rollout")[2])["rollout"]


def move(verb):
    code, _, text = request(URL + "/api/rollout/" + verb, "POST", {"rollout": 1})
    return code, json.loads(text)


def downloads():
    text = open(SIM_LOG).read()
    return {n: len(re.findall(r"127\.0\.0\.%d +family-a +firmware downloaded" % n, text)) for n in range(2, 10)}


def stopped(proc, words):
    _, err = proc.communicate(timeout=60)
    assert proc.returncode == 1 and re.search(words, err), (proc.returncode, err)
    return int(re.search(r"before wave (\d)", err).group(1))


def untouched_after(wave):
    r = rollout()
    later = [d for d in r["devices"] if d["wave"] >= wave]
    assert later and all(d["state"] == "pending" for d in later), r["devices"]
    got = downloads()
    assert all(got[int(d["ip"].rsplit(".", 1)[1])] == 0 for d in later), got
    return r


def test_a_paused_rollout_is_resumed_from_the_page():
    proc = start_fleet_and_rollout()
    assert move("pause") == (200, {"state": "pausing"})
    assert move("pause")[0] == 409 and move("resume")[0] == 409
    wave = stopped(proc, r"paused before wave \d: \d devices left untouched; --resume goes on")
    r = untouched_after(wave)
    assert r["state"] == "paused" and r["waves"][0]["states"]["updated"] == 1, r
    driver = browser.open_browser()
    try:
        driver.get(URL + "/")
        driver.find_element(By.CSS_SELECTOR, "nav button[data-view=rollout]").click()
        browser.wait_text(driver, "rollout-title", "Rollout 1 to version 1.06: paused")
        assert "pending" in browser.text(driver, "rollout-waves")
        browser.screenshot(driver, "rollout-paused")
        driver.find_element(By.ID, "rollout-resume").click()
        browser.wait_text(driver, "rollout-title", "Rollout 1 to version 1.06: done", 60)
        assert driver.find_element(By.ID, "rollout-resume").get_attribute("disabled")
    finally:
        driver.quit()
    r = rollout()
    assert [d["state"] for d in r["devices"]] == ["updated"] * 8 and [d["after"] for d in r["devices"]] == ["1.06"] * 8
    assert downloads() == {n: 1 for n in range(2, 10)}


def test_an_aborted_rollout_stops_for_good():
    proc = start_fleet_and_rollout()
    assert move("abort") == (200, {"state": "aborting"})
    wave = stopped(proc, r"aborted before wave \d: \d devices left untouched")
    assert rollout()["state"] == "aborted"
    untouched_after(wave)
    assert move("resume")[0] == 409 and move("abort")[0] == 409
    status, _ = webtest.tool("firmware", "rollout", "--resume", "--db", DB)
    assert status == 2
    code, _, text = request(URL + "/api/rollout/pause", "POST", {"rollout": 2})
    assert code == 409 and "not the latest" in text, text


def test_a_rollout_whose_process_was_killed_is_paused_and_resumed_at_once():
    proc = start_fleet_and_rollout()
    webtest.wait_for("the canary", lambda: downloads()[2] == 1, 30)
    proc.kill()
    proc.wait()
    assert rollout()["state"] == "running"
    # No process is left to take a pause before its next wave: it is made now.
    assert move("pause") == (200, {"state": "paused"})
    code, _, text = request(URL + "/api/rollout/resume", "POST", {"rollout": 1})
    assert code == 202, text
    webtest.wait_for("the resumed rollout", lambda: rollout()["state"] == "done", 60)
    assert [d["state"] for d in rollout()["devices"]] == ["updated"] * 8
    assert downloads() == {n: 1 for n in range(2, 10)}


if __name__ == "__main__":
    webtest.run(globals())
