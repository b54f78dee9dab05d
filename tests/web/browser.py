"""Debian's headless chromium, driven through chromedriver by selenium."""

import os
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

import webtest

# axe-core, as tests/web/package-lock.json pins it (npm ci, run by scripts/test.sh).
AXE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "node_modules", "axe-core", "axe.min.js")


def open_browser(*flags):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--no-first-run", "--window-size=1280,800",
                 "--disable-dev-shm-usage", "--user-data-dir=" + tempfile.mkdtemp(prefix="chromium-", dir=webtest.WORK)) + flags:
        options.add_argument(flag)
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def screenshot(driver, name):
    os.makedirs(webtest.SHOTS, exist_ok=True)
    driver.save_screenshot(os.path.join(webtest.SHOTS, name + ".png"))


def text(driver, element_id):
    return driver.find_element(By.ID, element_id).text


def wait_text(driver, element_id, part, seconds=20.0):
    """Waits until the element's text holds part; returns the text."""
    return webtest.wait_for("'%s' in #%s (now '%s')" % (part, element_id, text(driver, element_id)),
                            lambda: part in text(driver, element_id) and text(driver, element_id), seconds)


def shown_column(driver, column):
    """The texts of one column of the table's drawn rows, top down (read at
    once: each search redraws the rows)."""
    return driver.execute_script(
        "return [...document.querySelectorAll('#rows .row')].sort((a, b) => a.dataset.i - b.dataset.i)"
        ".map((r) => r.children[arguments[0]].textContent)", column)


def click_row(driver, ip, column, selector="span"):
    """Clicks in the row of ip (at once, before a redraw replaces it)."""
    found = driver.execute_script(
        "const row = [...document.querySelectorAll('#rows .row')].find((r) => r.children[1].textContent === arguments[0]);"
        "if (!row) return false; const cell = row.children[arguments[1]];"
        "(cell.querySelector(arguments[2]) || cell).click(); return true;",
        ip, column, selector)
    if not found:
        raise AssertionError(ip + " is not in the table")


def accessibility_problems(driver):
    """axe-core's serious and critical violations on the page as it is now,
    each "rule: where"; [] when there are none."""
    if not os.path.exists(AXE):
        if os.environ.get("VANDREL_AXE_MISSING"):  # npm could not reach its registry: scripts/test.sh said so
            print("WARNING: axe-core is not installed; the page's accessibility is NOT checked")
            return []
        raise AssertionError(AXE + " is missing: run 'npm ci' in tests/web (scripts/test.sh does)")
    with open(AXE, encoding="utf-8") as f:
        driver.execute_script(f.read())
    violations = driver.execute_async_script(
        "const done = arguments[arguments.length - 1];"
        "axe.run(document, {resultTypes: ['violations']})"
        ".then((r) => done(r.violations.map((v) => ({id: v.id, impact: v.impact,"
        " nodes: v.nodes.slice(0, 3).map((n) => n.target.join(' '))}))))"
        ".catch((e) => done([{id: 'axe did not run: ' + e, impact: 'critical', nodes: []}]));")
    return ["%s (%s): %s" % (v["id"], v["impact"], ", ".join(v["nodes"]))
            for v in violations if v["impact"] in ("serious", "critical")]
