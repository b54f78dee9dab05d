"""The dashboard in a real browser against simulated devices: the devices
table, a device's settings, an apply to selected devices, sessions, the
token off loopback and a user's login. Each view's screenshot lands in VANDREL_WEB_SHOTS."""

import json
import os
import subprocess

from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

import browser
import webtest
from browser import accessibility_problems, click_row, screenshot, shown_column, text, wait_text

IP, NAME, STATE, DRIFT = 1, 5, 7, 8  # columns of the table


def open_dashboard(*web_args, sim_args=(), counts="7 devices, 7 online", browser_flags=()):
    """The page, once its counts say so (None: at once)."""
    webtest.start_sim(*sim_args)
    _, url, _ = webtest.start_web("--search-every", "2", *web_args)
    driver = browser.open_browser(*browser_flags)
    driver.get(url)
    if counts:
        wait_text(driver, "counts", counts)
    return driver


def click(driver, element_id):
    driver.find_element(By.ID, element_id).click()


def type_into(driver, element_id, value, by=By.ID):
    field = driver.find_element(by, element_id)
    field.clear()
    field.send_keys(value)


def open_device(driver, ip):
    click_row(driver, ip, NAME)
    return wait_text(driver, "device-title", ", type ")


def test_table_fills_sorts_and_filters():
    driver = open_dashboard()
    assert shown_column(driver, IP) == ["127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.10", "127.0.0.11",
                                        "127.0.0.12", "127.0.0.13"], shown_column(driver, IP)
    driver.find_element(By.CSS_SELECTOR, "[data-sort=ip]").click()
    assert shown_column(driver, IP)[0] == "127.0.0.13", shown_column(driver, IP)
    driver.find_element(By.CSS_SELECTOR, "[data-sort=type]").click()
    assert shown_column(driver, 3)[:3] == ["5 (A, serial)", "7 (A, 10T)", "17 (A, CAN)"], shown_column(driver, 3)
    type_into(driver, "filter", "family b")
    wait_text(driver, "counts", "4 shown")
    assert sorted(shown_column(driver, IP)) == ["127.0.0.10", "127.0.0.11", "127.0.0.12", "127.0.0.13"]
    driver.find_element(By.ID, "filter").send_keys(Keys.CONTROL, "a", Keys.DELETE)
    wait_text(driver, "counts", "7 shown")
    screenshot(driver, "devices")


def test_table_fills_with_a_crowd_of_1000():
    driver = open_dashboard(sim_args=("--crowd", "1000"), counts="1000 devices, 1000 online")
    assert shown_column(driver, IP)[0] == "127.2.0.1"
    screenshot(driver, "devices-crowd")


def test_device_view_refuses_then_writes_what_the_device_holds():
    plan = os.path.join(webtest.WORK, "plan.txt")
    with open(plan, "w") as f:
        f.write("127.0.0.2 NAME=pump-page\n")
    driver = open_dashboard("--drift-plan", plan, "--drift-every", "1", "--db", os.path.join(webtest.WORK, "fleet.db"))
    webtest.wait_for("the drift", lambda: dict(zip(shown_column(driver, IP), shown_column(driver, DRIFT)))
                     .get("127.0.0.2") == "drift")
    open_device(driver, "127.0.0.2")
    type_into(driver, "extra-key", "NOSUCHKEY")
    type_into(driver, "extra-value", "1")
    type_into(driver, "device-password", "admin")
    click(driver, "device-check")
    wait_text(driver, "device-message", "NOSUCHKEY: not a key of this device")
    assert driver.find_element(By.ID, "device-write").get_attribute("disabled")
    screenshot(driver, "device-refused")
    type_into(driver, "extra-key", "")
    type_into(driver, "device-password", "not-the-password")
    type_into(driver, "input[data-key=NAME]", "pump-page", By.CSS_SELECTOR)
    click(driver, "device-check")
    wait_text(driver, "device-message", "1 to change")
    assert "serial-5" in text(driver, "diff") and "pump-page" in text(driver, "diff")
    click(driver, "device-write")
    wait_text(driver, "device-message", "wrong password; nothing written")
    assert "serial-5" in webtest.tool("show", "127.0.0.2", "NAME")[1]
    type_into(driver, "device-password", "admin")
    click(driver, "device-check")
    wait_text(driver, "device-message", "1 to change")
    click(driver, "device-write")
    wait_text(driver, "device-message", "written and read back: NAME stored")
    screenshot(driver, "device")
    assert "pump-page" in webtest.tool("show", "127.0.0.2", "NAME")[1]
    # The read names the device in the table too, and shows the write in its history.
    click(driver, "device-read")
    wait_text(driver, "device-history", "NAME serial-5 pump-page yes")
    # Settings under their groups, by label, codes by name, a choice a list, a key only shown with no field.
    settings = wait_text(driver, "settings", "baud rate\nC1_BAUD\n9 (115200 bit/s)")
    assert "PORT 1" in settings.upper() and "NETWORK" in settings.upper(), settings
    assert driver.find_element(By.CSS_SELECTOR, "select[data-key=C1_BAUD]").get_attribute("value") == "9"
    assert not driver.find_elements(By.CSS_SELECTOR, "[data-key=TYPE]")
    screenshot(driver, "device-view")
    driver.find_element(By.CSS_SELECTOR, "nav [data-view=history]").click()
    wait_text(driver, "history", "web 127.0.0.2 02:56:44:00:00:02 NAME serial-5 pump-page")
    driver.find_element(By.CSS_SELECTOR, "nav [data-view=devices]").click()
    webtest.wait_for("the name in the table", lambda: "pump-page" in shown_column(driver, NAME))
    webtest.wait_for("in sync", lambda: dict(zip(shown_column(driver, IP), shown_column(driver, DRIFT)))
                     .get("127.0.0.2") == "in sync")


def dialog_open(driver):
    return driver.execute_script("return document.getElementById('confirm').open")


def test_apply_to_three_selected_devices():
    driver = open_dashboard()
    # With nothing selected, a restart asks nothing and does nothing.
    driver.find_element(By.CSS_SELECTOR, "nav [data-view=many]").click()
    click(driver, "restart")
    wait_text(driver, "many-message", "select devices in the table first")
    assert not dialog_open(driver)
    driver.find_element(By.CSS_SELECTOR, "nav [data-view=devices]").click()
    for ip in ("127.0.0.2", "127.0.0.3", "127.0.0.4"):
        click_row(driver, ip, 0, "input")
    driver.find_element(By.CSS_SELECTOR, "nav [data-view=many]").click()
    # Each action on the selection says how many devices it touches; a no sends nothing.
    click(driver, "restart")
    wait_text(driver, "confirm-text", "Restart 3 devices?")
    click(driver, "confirm-no")
    assert not dialog_open(driver) and json.loads(webtest.request(webtest.URL + "/api/operations")[2]) == []
    # A check that the rules refuse tells why, device by device, and leaves nothing to apply.
    type_into(driver, "plan-settings", "C1_BAUD=12")
    type_into(driver, "plan-password", "admin")
    click(driver, "plan-check")
    wait_text(driver, "many-message", "checked: 3 refused; nothing is written while a device refuses")
    results = text(driver, "op-results")
    assert results.count("C1_BAUD=12: not one of its choices: it takes 0 = 300 bit/s") == 2, results
    assert "127.0.0.4 17 refused C1_BAUD: not a key of this device" in results, results
    screenshot(driver, "many-refused")
    assert driver.find_element(By.ID, "plan-apply").get_attribute("disabled")
    type_into(driver, "plan-settings", "NAME=line-7")
    click(driver, "plan-check")
    wait_text(driver, "many-message", "checked: 3 to change")
    click(driver, "plan-apply")
    wait_text(driver, "confirm-text", "Write the plan to 3 devices?")
    screenshot(driver, "confirm")
    click(driver, "confirm-yes")
    wait_text(driver, "op-status", "3 of 3 devices done (finished)", 60)
    results = text(driver, "op-results")
    assert results.count("written and read back") == 3, results
    screenshot(driver, "many")
    for ip in ("127.0.0.2", "127.0.0.3", "127.0.0.4"):
        assert "line-7" in webtest.tool("show", ip, "NAME")[1]
    # The table shows the names the apply stored.
    driver.find_element(By.CSS_SELECTOR, "nav [data-view=devices]").click()
    webtest.wait_for("the names", lambda: list(shown_column(driver, NAME)).count("line-7") == 3)
    assert "line-7" not in webtest.tool("show", "02:56:44:00:00:0C", "NAME")[1]


def test_a_device_that_stops_answering_turns_offline():
    driver = open_dashboard()
    # The device's answers are dropped on their way out from now on.
    subprocess.run(["nft", "-f", "-"], check=True, text=True, input=(
        "table ip vdweb_fault {\n chain out {\n  type filter hook output priority 0;\n"
        "  ip saddr 127.0.0.4 udp sport 8800 drop\n }\n}\n"))
    wait_text(driver, "counts", "7 devices, 6 online, 1 offline", 20)
    states = dict(zip(shown_column(driver, IP), shown_column(driver, STATE)))
    assert [ip for ip, state in states.items() if state != "online"] == ["127.0.0.4"], states
    screenshot(driver, "devices-offline")


def test_sessions():
    driver = open_dashboard(counts=None)
    driver.find_element(By.CSS_SELECTOR, "nav [data-view=sessions]").click()
    type_into(driver, "s-host", "127.0.0.10")
    type_into(driver, "at-password", "admin")
    type_into(driver, "at-steps", "C1_BAUD\nC1_BAUD=57600\nC1_BAUD")
    click(driver, "at-run")
    # A transcript: each step asked, and the device's answer to it.
    log = wait_text(driver, "session-log", "session ended")
    assert log.splitlines()[:4] == ["127.0.0.10:8800, type 32", "> C1_BAUD  ->  115200", "> C1_BAUD=57600  ->  OK",
                                    "> C1_BAUD  ->  57600"], log
    type_into(driver, "s-host", "127.0.0.3")
    click(driver, "io-read")
    wait_text(driver, "session-log", "analogue inputs: 1234, 3071\nIO lines: 5, 160")
    screenshot(driver, "sessions")


def test_https_with_the_token_off_loopback():
    # The answers without the token or with it in a header are the
    # secrets test's. Chromium trusts the test's certificate, by its key.
    webtest.lab_link()
    cert, key, _ = webtest.make_cert("198.18.200.1")
    token = "0123456789abcdef-token"
    driver = open_dashboard("--listen", "198.18.200.1:8080", "--token", token, "--tls-cert", cert, "--tls-key", key,
                            counts=None, browser_flags=("--ignore-certificate-errors-spki-list=" + webtest.spki_hash(cert),))
    url = "https://198.18.200.1:8080/"
    assert '"error"' in driver.find_element(By.TAG_NAME, "body").text
    driver.get(url + "?token=" + token)
    assert driver.current_url == url
    wait_text(driver, "counts", "7 devices")
    # The page's own writes pass the origin check over HTTPS.
    open_device(driver, "127.0.0.2")
    type_into(driver, "device-password", "admin")
    type_into(driver, "input[data-key=NAME]", "tls-page", By.CSS_SELECTOR)
    click(driver, "device-check")
    wait_text(driver, "device-message", "1 to change")
    screenshot(driver, "devices-https")


def test_login_page_then_writes_with_the_logins_csrf_token():
    users = webtest.WORK + "/users"
    subprocess.run([webtest.VANDREL, "web", "users", "add", "op", "--role", "operator", "--users", users],
                   input="pass-word1\n", text=True, check=True)
    driver = open_dashboard("--users", users, counts=None)
    webtest.wait_for("the login page", lambda: driver.current_url.endswith("/login.html"))
    for password, shown in (("wrong-pass", "wrong name or password"), ("pass-word1", None)):
        type_into(driver, "login-name", "op")
        type_into(driver, "login-password", password + Keys.ENTER)
        if shown:
            wait_text(driver, "login-message", shown)
            screenshot(driver, "login")
    webtest.wait_for("the dashboard", lambda: not driver.current_url.endswith("/login.html"))
    wait_text(driver, "counts", "7 devices")
    assert text(driver, "user") == "op (operator)"
    open_device(driver, "127.0.0.2")
    type_into(driver, "device-password", "admin")
    type_into(driver, "input[data-key=NAME]", "by-op", By.CSS_SELECTOR)
    click(driver, "device-check")
    wait_text(driver, "device-message", "1 to change")
    click(driver, "logout")
    webtest.wait_for("the login page again", lambda: driver.current_url.endswith("/login.html"))


def test_every_view_passes_the_accessibility_check():
    driver = open_dashboard()
    driver.set_script_timeout(30)
    problems = {"devices": accessibility_problems(driver)}
    open_device(driver, "127.0.0.2")
    wait_text(driver, "settings", "baud rate")
    problems["device"] = accessibility_problems(driver)
    for view in ("many", "sessions", "history", "rollout"):
        driver.find_element(By.CSS_SELECTOR, "nav [data-view=%s]" % view).click()
        problems[view] = accessibility_problems(driver)
    driver.find_element(By.CSS_SELECTOR, "nav [data-view=devices]").click()
    click_row(driver, "127.0.0.2", 0, "input")
    driver.find_element(By.CSS_SELECTOR, "nav [data-view=many]").click()
    click(driver, "restart")
    wait_text(driver, "confirm-text", "Restart 1 device?")
    problems["confirmation"] = accessibility_problems(driver)
    # The dialog takes the keyboard: Escape declines.
    driver.switch_to.active_element.send_keys(Keys.ESCAPE)
    webtest.wait_for("the dialog closed", lambda: not driver.execute_script("return document.getElementById('confirm').open"))
    driver.get(driver.current_url.split("#")[0].rsplit("/", 1)[0] + "/login.html")
    problems["login"] = accessibility_problems(driver)
    assert not any(problems.values()), problems


if __name__ == "__main__":
    webtest.run(globals())
