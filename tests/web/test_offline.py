"""The web version as a site that browsers keep, in headless Chromium: it is
installable, holds to its content security policy, plays again with the server
stopped, takes a new build at the next load (and keeps the build it has when a
new one cannot be fetched), and says what is missing when it cannot start."""

import http.server
import json
import os
import re
import shutil
import struct
import tempfile
import threading
import unittest
import urllib.request

from web_driver import SITE, Browser, Page, Site  # noqa: I001 (puts the desktop tests on the path)
from game_driver import WaitUntil

# Run before the page's own scripts: every violation of the page's policy.
RECORD_VIOLATIONS = "window.violations = []; document.addEventListener('securitypolicyviolation', e => violations.push(e.violatedDirective + ' ' + e.blockedURI), true);"

# Asks the browser to look for a new build of the site and answers how it ended: 'activated',
# 'redundant' (its files could not all be fetched) or 'unchanged'.
UPDATE = """
const done = arguments[arguments.length - 1];
navigator.serviceWorker.getRegistration().then(r => r.update().then(() => {
    const worker = r.installing || r.waiting;
    if (!worker)
        return done('unchanged');
    const Ended = () => ['activated', 'redundant'].includes(worker.state) && done(worker.state);
    worker.addEventListener('statechange', Ended);
    Ended();
})).catch(error => done('failed: ' + error));
"""


class QuietServer(http.server.ThreadingHTTPServer):
    def handle_error(self, request, address):
        pass  # a download the browser gave up, as when a build's files cannot all be fetched


class KeptSite(Site):
    """A copy of the built site, served on one port for the whole test, so that
    it stays one origin (and one service worker) while its server stops and
    starts again."""

    def __init__(self):
        self.copy = tempfile.mkdtemp(prefix="slither-site-")
        for name in os.listdir(SITE):
            if os.path.isfile(os.path.join(SITE, name)) and not name.startswith(("CMake", "CPack", "CTest", "Makefile", "cmake_")) and not name.endswith(".a"):
                shutil.copy(os.path.join(SITE, name), self.copy)
        super().__init__(self.copy)

    def Stop(self):
        self.port = self.server.server_address[1]
        self.handler = self.server.RequestHandlerClass
        super().__exit__()

    def Serve(self):
        self.server = QuietServer(("127.0.0.1", self.port), self.handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def NewBuild(self, version, **files):
        """The site as a build with these files changed would be, its worker
        naming a new version."""
        for name, text in files.items():
            with open(os.path.join(self.copy, name), "a") as file:
                file.write(text)
        path = os.path.join(self.copy, "service-worker.js")
        with open(path) as file:
            worker = file.read()
        with open(path, "w") as file:
            file.write(re.sub(r"var VERSION = '\w+';", f"var VERSION = '{version}';", worker))

    def __exit__(self, *error):
        if getattr(self, "server", None) and self.server.socket.fileno() >= 0:
            super().__exit__()
        shutil.rmtree(self.copy)


def Playing(page, what):
    """Waits until the board is drawn and the snake has left its first cell."""
    page.origin = None
    page.WaitForFrame(lambda frame: frame.Cells("F") and max((x for x, _ in frame.Cells("S")), default=0) >= 1, 10, what)


def Loaded(site, script=None):
    """A Page on a new browser, not yet loaded."""
    page = Page(site, 1)
    page.browser = Browser(1, script)
    page.origin = None
    return page


def Cached(page):
    return page.browser.execute_async_script("const done = arguments[0]; navigator.serviceWorker.ready.then(() => caches.keys()).then(done);")


def PngSize(path):
    with open(path, "rb") as file:
        head = file.read(24)
    assert head[:8] == b"\x89PNG\r\n\x1a\n", f"{path} is no PNG"
    return struct.unpack(">II", head[16:24])


class OfflineTest(unittest.TestCase):
    def test_installable_and_within_its_policy(self):
        with Site() as site:
            page = Loaded(site, RECORD_VIOLATIONS)
            try:
                page.browser.get(site.address)
                Playing(page, "the game playing")
                page.Click("Game")
                page.Keys("Escape")
                self.assertEqual(page.browser.execute_cdp_cmd("Page.getInstallabilityErrors", {}).get("installabilityErrors"), [])
                manifest = page.browser.execute_cdp_cmd("Page.getAppManifest", {})
                self.assertEqual(manifest["errors"], [])
                self.assertTrue(Cached(page), "no cache after the first load")
                self.assertEqual(page.Script("return violations"), [])
                self.assertEqual(page.ConsoleErrors(), [])
            finally:
                page.browser.quit()
            with urllib.request.urlopen(site.address + "slithergrid.webmanifest") as response:
                icons = json.load(response)["icons"]
        self.assertEqual({icon["sizes"] for icon in icons}, {"192x192", "512x512", "any"})
        for icon in icons:
            path = os.path.join(SITE, icon["src"])
            self.assertTrue(os.path.isfile(path), f"no {icon['src']}")
            if icon["type"] == "image/png":
                self.assertEqual(PngSize(path), tuple(map(int, icon["sizes"].split("x"))))

    def test_offline_then_a_new_build(self):
        with KeptSite() as site:
            page = Loaded(site)
            try:
                page.browser.get(site.address)
                Playing(page, "the game on its first load")
                [first] = Cached(page)

                site.Stop()
                page.browser.refresh()
                Playing(page, "the game with the server stopped")

                # A build whose WebAssembly the host lacks cannot take over.
                site.NewBuild("0000000000000001", **{"slithergrid.js": "\nvar siteBuild = 2;\n"})
                wasm = os.path.join(site.copy, "slithergrid.wasm")
                os.rename(wasm, wasm + ".away")
                site.Serve()
                self.assertEqual(page.browser.execute_async_script(UPDATE), "redundant")
                page.browser.refresh()
                Playing(page, "the kept build after a failed update")
                self.assertIsNone(page.Script("return window.siteBuild"))
                self.assertEqual(Cached(page), [first])

                # Whole, it takes over at the next load, and the earlier build's cache goes.
                os.rename(wasm + ".away", wasm)
                self.assertIn(page.browser.execute_async_script(UPDATE), ("activated", "unchanged"))
                self.assertEqual([name[-16:] for name in Cached(page)], ["0000000000000001"])
                page.browser.refresh()
                Playing(page, "the new build")
                self.assertEqual(page.Script("return window.siteBuild"), 2)
            finally:
                page.browser.quit()

    def test_what_is_missing(self):
        ended = "return document.getElementById('ended').hidden ? null : document.getElementById('ended-text').textContent"
        with Site() as site:
            # Without service workers it plays online.
            page = Loaded(site, "delete Navigator.prototype.serviceWorker;")
            try:
                page.browser.get(site.address)
                Playing(page, "the game without service workers")
                self.assertEqual(page.ConsoleErrors(), [])
            finally:
                page.browser.quit()
            for script, blocked, says in (("delete window.WebAssembly;", [], "needs WebAssembly"), (None, ["*.wasm"], "could not be loaded (slithergrid.wasm:"), (None, ["*slithergrid.js"], "could not be loaded (slithergrid.js:")):
                browser = Browser(1, script)
                try:
                    browser.execute_cdp_cmd("Network.enable", {})
                    browser.execute_cdp_cmd("Network.setBlockedURLs", {"urls": blocked})
                    browser.get(site.address)
                    text = WaitUntil(lambda: browser.execute_script(ended), 10, f"the page saying what is missing ({says})")
                    self.assertIn(says, text)
                finally:
                    browser.quit()


if __name__ == "__main__":
    unittest.main()
