"""Drives the web version in a browser engine: serves the built site on
127.0.0.1, opens it at a device scale in headless Chromium (Selenium and
chromedriver), Firefox ESR (its own WebDriver BiDi server) or WebKitGTK
(MiniBrowser through WebKitWebDriver, on the X display), and reads the board
from screenshots with the desktop tests' board reader (game_driver).

The three browsers answer the few calls a Page makes alike: get, title,
execute_script, get_screenshot_as_png, get_log("browser") and quit, as
Selenium names them; input goes to all of them as W3C actions."""

import base64
import functools
import http.server
import json
import os
import queue
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import unittest
import warnings

import websocket  # Debian's python3-websocket, for Firefox's BiDi
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.remote.command import Command
from selenium.webdriver.webkitgtk.options import Options as WebKitOptions

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "e2e"))
import game_driver  # noqa: E402
from game_driver import Frame, FindBoard, Image, KeepEvidence, Seen, WaitUntil  # noqa: E402

SITE = os.environ.get("SLITHER_WEB_SITE", os.path.join(game_driver.SOURCE_DIR, "build", "web"))
SCALE = int(os.environ.get("SLITHER_WEB_SCALE", "1"))
ENGINE = os.environ.get("SLITHER_WEB_ENGINE", "chromium")
VIEWPORT = 1000, 800  # CSS pixels: room for the page and its margins
# WebDriver's codes for the keys the tests press, which BiDi takes too.
KEYS = {"F10": Keys.F10, "Down": Keys.ARROW_DOWN, "Up": Keys.ARROW_UP, "Left": Keys.ARROW_LEFT, "Right": Keys.ARROW_RIGHT, "Return": Keys.RETURN, "Escape": Keys.ESCAPE}


class Site:
    """A folder (the built site unless named) on a free port of 127.0.0.1,
    served from a thread; a context manager. Requests that failed are kept in
    `failures`: a browser's console reports them, but not every engine lets a
    test read its console."""

    def __init__(self, folder=SITE):
        self.folder = folder
        self.failures = []

    def __enter__(self):
        if self.folder == SITE and not os.path.exists(os.path.join(SITE, "index.html")):
            raise AssertionError(f"{self.folder} holds no built site")
        failures = self.failures

        class Quiet(http.server.SimpleHTTPRequestHandler):
            def log_message(self, *args):
                pass

            def log_request(self, code="-", size="-"):
                if int(code) >= 400:
                    failures.append(f"{self.path}: {int(code)}")

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
    for argument in ("--headless=new", "--no-sandbox", "--window-size=%d,%d" % VIEWPORT, f"--force-device-scale-factor={scale}", "--disable-gpu"):
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    if script:
        browser.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": script})
    return browser


# Errors as a page sees them, for an engine whose console a test cannot read.
RECORD_ERRORS = """
window.pageErrors = [];
addEventListener('error', e => pageErrors.push(e.message));
addEventListener('unhandledrejection', e => pageErrors.push(String(e.reason)));
const error = console.error;
console.error = (...words) => { pageErrors.push(words.join(' ')); error.apply(console, words); };
"""


class WebKit(webdriver.WebKitGTK):
    """MiniBrowser through WebKitWebDriver, in a window on the X display.
    Its device scale is GDK's, in whole numbers. Under automation its session
    is ephemeral, and an ephemeral session writes no console messages out, so
    the page records its own errors from the end of each load on."""

    def __init__(self, scale):
        if not os.environ.get("DISPLAY"):
            raise AssertionError("WebKitGTK's browser needs an X display (without one it hangs)")
        options = WebKitOptions()
        options.binary_location = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"
        options.add_argument("--automation")
        before = os.environ.get("GDK_SCALE")
        os.environ["GDK_SCALE"] = str(scale)  # read by the driver's service as it starts
        try:
            with warnings.catch_warnings():  # Selenium 4.8's old form, the one it has for WebKitGTK
                warnings.simplefilter("ignore", DeprecationWarning)
                super().__init__(executable_path="/usr/bin/WebKitWebDriver", options=options)
        finally:
            os.environ.pop("GDK_SCALE") if before is None else os.environ.update(GDK_SCALE=before)
        try:
            # The window's size includes its toolbar: the viewport is made VIEWPORT.
            self.set_window_size(*VIEWPORT)
            width, height = self.execute_script("return [innerWidth, innerHeight]")
            self.set_window_size(2 * VIEWPORT[0] - width, 2 * VIEWPORT[1] - height)
        except BaseException:
            self.quit()
            raise

    def get(self, url):
        super().get(url)
        self.execute_script(RECORD_ERRORS)

    def get_log(self, kind):
        errors = self.execute_script("return window.pageErrors || []")
        return [{"level": "SEVERE", "message": message} for message in errors]


class Firefox:
    """Headless Firefox ESR through its own WebDriver BiDi server (there is no
    geckodriver to be had), on a fresh profile; one tab."""

    def __init__(self, scale):
        self.profile = tempfile.mkdtemp(prefix="slither-firefox-")
        command = ["firefox-esr", "--headless", "--remote-debugging-port=0", "--profile", self.profile, "--no-remote"]
        try:
            self.process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, start_new_session=True)
        except BaseException:
            shutil.rmtree(self.profile)
            raise
        self.socket, self.errors, self.last = None, [], 0
        try:
            address = queue.Queue()

            def Read():  # to the end, so that the pipe never fills
                with self.process.stderr:
                    for line in self.process.stderr:
                        found = re.search(r"WebDriver BiDi listening on (ws://\S+)", line)
                        if found:
                            address.put(found[1])

            self.reader = threading.Thread(target=Read, daemon=True)
            self.reader.start()
            # Firefox refuses a handshake that names an origin.
            self.socket = websocket.create_connection(address.get(timeout=30) + "/session", suppress_origin=True, timeout=60)
            self.Call("session.new", capabilities={})
            self.Call("session.subscribe", events=["log.entryAdded"])
            # A tab the session opens has the focus, as one a user opens does;
            # the first tab's document has not, and keys would not press its buttons.
            first = self.Call("browsingContext.getTree")["contexts"][0]["context"]
            self.context = self.Call("browsingContext.create", type="tab")["context"]
            self.Call("browsingContext.close", context=first)
            self.SetScale(scale)
        except BaseException:
            self.quit()
            raise

    def Call(self, method, **params):
        """Sends one command and returns its result; events that come first
        are kept: the console's errors."""
        self.last += 1
        self.socket.send(json.dumps({"id": self.last, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("method") == "log.entryAdded" and message["params"]["level"] == "error":
                self.errors.append(message["params"]["text"])
            if message.get("id") == self.last:
                if message["type"] == "error":
                    raise RuntimeError(f"{method}: {message['error']}: {message.get('message')}")
                return message["result"]

    def SetScale(self, scale):
        self.Call("browsingContext.setViewport", context=self.context, viewport=dict(zip(("width", "height"), VIEWPORT)), devicePixelRatio=scale)

    def get(self, url):
        self.Call("browsingContext.navigate", context=self.context, url=url, wait="complete")

    @property
    def title(self):
        return self.execute_script("return document.title")

    def execute_script(self, script):
        result = self.Call("script.callFunction", functionDeclaration=f"function () {{\n{script}\n}}", awaitPromise=False, target={"context": self.context})
        if result["type"] == "exception":
            raise RuntimeError(result["exceptionDetails"]["text"])
        return Value(result["result"])

    def get_screenshot_as_png(self):
        return base64.b64decode(self.Call("browsingContext.captureScreenshot", context=self.context)["data"])

    def get_log(self, kind):
        self.Call("session.status")  # events sent before its answer are in
        errors, self.errors = self.errors, []
        return [{"level": "SEVERE", "message": text} for text in errors]

    def Perform(self, actions):
        self.Call("input.performActions", context=self.context, actions=actions)

    def quit(self):
        try:
            if self.socket:
                self.socket.send(json.dumps({"id": self.last + 1, "method": "browser.close", "params": {}}))
                self.process.wait(10)
        except Exception:
            pass
        finally:
            try:  # Firefox and what it started, if any is left
                os.killpg(self.process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.process.wait()
            if self.socket:
                self.socket.close()
            self.reader.join(5)
            shutil.rmtree(self.profile, ignore_errors=True)


def Value(remote):
    """A BiDi remote value as Python's: primitives, arrays and plain objects."""
    kind, value = remote["type"], remote.get("value")
    if kind == "array":
        return [Value(item) for item in value]
    if kind == "object":
        return {key: Value(item) for key, item in value}
    return value  # None for null and undefined


def OpenBrowser(engine, scale):
    if engine == "chromium":
        return Browser(scale)
    if engine == "firefox":
        return Firefox(scale)
    if engine == "webkit":
        return WebKit(scale)
    raise ValueError(f"no browser engine {engine}")


def Perform(browser, actions):
    """W3C input actions, which WebDriver and WebDriver BiDi take alike."""
    if isinstance(browser, Firefox):
        browser.Perform(actions)
    else:
        browser.execute(Command.W3C_ACTIONS, {"actions": actions})


class Page:
    """One load of the page in a new browser of that engine; a context
    manager."""

    def __init__(self, site, scale=SCALE, engine=ENGINE):
        self.site, self.scale, self.engine = site, scale, engine

    def __enter__(self):
        self.browser = OpenBrowser(self.engine, self.scale)
        self.lastImage = self.lastFrame = None
        try:
            self.browser.get(self.site.address)
            WaitUntil(lambda: self.browser.execute_script("return !document.getElementById('window').hidden"), 30, "the window on the page")
        except BaseException:
            self.browser.quit()
            raise
        return self

    def __exit__(self, kind, error, trace):
        if kind is not None and not issubclass(kind, unittest.SkipTest) and self.lastImage is not None:
            KeepEvidence(f"{self.engine}-last.ppm", self.lastImage.Ppm())
        self.browser.quit()

    def Capture(self):
        """A Frame of the page, or None while no board can be found in it;
        the board is looked for in every picture, as the page may be laid out
        anew between two of them."""
        png = self.browser.get_screenshot_as_png()
        ppm = subprocess.run(["convert", "png:-", "-depth", "8", "ppm:-"], input=png, capture_output=True, check=True).stdout
        image = self.lastImage = Image(ppm)
        origin = FindBoard(image, self.scale)
        self.lastFrame = origin and Frame(image, origin, 0, self.scale)
        return self.lastFrame

    def WaitForFrame(self, probe, timeout, what):
        def Next():
            frame = self.Capture()
            return frame if frame is not None and probe(frame) else None

        try:
            return WaitUntil(Next, timeout, what, interval=0)
        except AssertionError as error:
            if self.lastImage is not None:
                KeepEvidence(f"{self.engine}-last.ppm", self.lastImage.Ppm())
            raise AssertionError(f"{error}; {Seen(self.lastFrame, self.lastImage)}; evidence in {game_driver.EVIDENCE}") from None

    def Keys(self, *keys):
        """Keys as the focused page gets them, without a click first."""
        actions = []
        for key in keys:
            actions += [{"type": "keyDown", "value": KEYS[key]}, {"type": "keyUp", "value": KEYS[key]}, {"type": "pause", "duration": 30}]
        Perform(self.browser, [{"type": "key", "id": "keyboard", "actions": actions}])

    def Click(self, text):
        """A click on the shown menu item of that text."""
        x, y = self.Script(
            f"""const [item] = [...document.querySelectorAll('[role=menuitem]')].filter(e => e.textContent == {json.dumps(text)} && e.offsetParent);
                const box = item.getBoundingClientRect();
                return [Math.round(box.left + box.width / 2), Math.round(box.top + box.height / 2)];"""
        )
        move = {"type": "pointerMove", "x": x, "y": y, "origin": "viewport", "duration": 50}
        mouse = [move, {"type": "pointerDown", "button": 0}, {"type": "pointerUp", "button": 0}]
        Perform(self.browser, [{"type": "pointer", "id": "mouse", "parameters": {"pointerType": "mouse"}, "actions": mouse}])

    def SetScale(self, scale):
        """A new device scale for the page as it runs."""
        if self.engine == "chromium":
            metrics = {"width": VIEWPORT[0], "height": VIEWPORT[1], "deviceScaleFactor": scale, "mobile": False}
            self.browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", metrics)
        elif self.engine == "firefox":
            self.browser.SetScale(scale)
        else:
            raise unittest.SkipTest("WebKitGTK's device scale is GDK's, set as the browser starts")

    def Script(self, script):
        return self.browser.execute_script(script)

    def ConsoleErrors(self):
        return [entry["message"] for entry in self.browser.get_log("browser") if entry["level"] == "SEVERE"] + self.site.failures
