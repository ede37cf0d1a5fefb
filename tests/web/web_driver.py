"""Drives the web version in headless Chromium: serves the built site on
127.0.0.1, opens it through Selenium at a device scale, and reads the board
from screenshots with the desktop tests' board reader (game_driver)."""

import functools
import http.server
import os
import subprocess
import sys
import threading

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "e2e"))
import game_driver  # noqa: E402
from game_driver import Frame, FindBoard, Image, WaitUntil  # noqa: E402

SITE = os.environ.get("SLITHER_WEB_SITE", os.path.join(game_driver.SOURCE_DIR, "build", "web"))
SCALE = int(os.environ.get("SLITHER_WEB_SCALE", "1"))
KEYS = {"F10": Keys.F10, "Down": Keys.ARROW_DOWN, "Up": Keys.ARROW_UP, "Left": Keys.ARROW_LEFT, "Right": Keys.ARROW_RIGHT, "Return": Keys.RETURN, "Escape": Keys.ESCAPE}


class Site:
    """A folder (the built site unless named) on a free port of 127.0.0.1,
    served from a thread; a context manager."""

    def __init__(self, folder=SITE):
        self.folder = folder

    def __enter__(self):
        if self.folder == SITE and not os.path.exists(os.path.join(SITE, "index.html")):
            raise AssertionError(f"{self.folder} holds no built site")

        class Quiet(http.server.SimpleHTTPRequestHandler):
            def log_message(self, *args):
                pass

        handler = functools.partial(Quiet, directory=self.folder)
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.address = f"http://127.0.0.1:{self.server.server_address[1]}/"
        return self

    def __exit__(self, *error):
        self.server.shutdown()
        self.server.server_close()


def Browser(scale=SCALE, script=None):
    """A new headless Chromium at this device scale, with `script` run at
    the start of every page it loads."""
    options = webdriver.ChromeOptions()
    # Root needs --no-sandbox; the window has room for the page at any scale.
    for argument in ("--headless=new", "--no-sandbox", "--window-size=1000,800", f"--force-device-scale-factor={scale}", "--disable-gpu"):
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    if script:
        browser.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": script})
    return browser


class Page:
    """One load of the page in a new headless Chromium; a context manager."""

    def __init__(self, site, scale=SCALE):
        self.site, self.scale = site, scale

    def __enter__(self):
        self.browser = Browser(self.scale)
        try:
            self.browser.get(self.site.address)
            WaitUntil(lambda: self.browser.execute_script("return !document.getElementById('window').hidden"), 15, "the window on the page")
        except BaseException:
            self.browser.quit()
            raise
        self.origin = None
        return self

    def __exit__(self, *error):
        self.browser.quit()

    def Capture(self):
        """A Frame of the page, or None while no board can be found in it."""
        png = self.browser.get_screenshot_as_png()
        ppm = subprocess.run(["convert", "png:-", "-depth", "8", "ppm:-"], input=png, capture_output=True, check=True).stdout
        image = self.lastImage = Image(ppm)
        self.origin = self.origin or FindBoard(image, self.scale)
        return Frame(image, self.origin, 0, self.scale) if self.origin else None

    def WaitForFrame(self, probe, timeout, what):
        def Next():
            frame = self.Capture()
            return frame if frame is not None and probe(frame) else None

        return WaitUntil(Next, timeout, what, interval=0)

    def Keys(self, *keys):
        """Keys as the focused page gets them, without a click first."""
        actions = ActionChains(self.browser)
        for key in keys:
            actions.send_keys(KEYS[key]).pause(0.03)
        actions.perform()

    def Click(self, text):
        """A click on the menu item of that text."""
        items = self.browser.find_elements(By.CSS_SELECTOR, "[role=menuitem]")
        [item] = [item for item in items if item.text == text]
        ActionChains(self.browser).move_to_element(item).click().perform()

    def Script(self, script):
        return self.browser.execute_script(script)

    def ConsoleErrors(self):
        return [entry["message"] for entry in self.browser.get_log("browser") if entry["level"] == "SEVERE"]
