"""Debian's headless chromium, driven through chromedriver by selenium."""

import os
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

import webtest


def open_browser(*flags):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--no-first-run", "--window-size=1280,800",
                 "--disable-dev-shm-usage", "--user-data-dir=" + tempfile.mkdtemp(prefix="vandrel-chromium-")) + flags:
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
