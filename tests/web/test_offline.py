"""The web version as a site that browsers keep, in headless Chromium: it is
installable and holds to its content security policy, plays again with the
server stopped, takes a new build at the next load (and keeps the build it has
when a new one cannot be fetched), and says what is missing when it cannot."""

import http.server
import json
import os
import re
import shutil
import struct
import tempfile
import threading
import unittest

from web_driver import SITE, Browser, Page, Site  # noqa: I001 (puts the desktop tests on the path)
from game_driver import WaitUntil

# Run before the page's own scripts: every violation of the page's policy.
RECORD_VIOLATIONS = "window.violations = []; document.addEventListener('securitypolicyviolation', e => violations.push(e.violatedDirective + ' ' + e.blockedURI), true);"
CACHES = "const done = arguments[0]; navigator.serviceWorker.ready.then(() => caches.keys()).then(done);"
# Asks the browser to look for a new build: 'activated', 'redundant' (its files could not all be
# fetched) or 'unchanged'.
UPDATE = """
const done = arguments[0];
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
    """A copy of the site in a folder of the host, served again on the same port
    after a stop: the same origin, so the same service worker."""

    FOLDER = "games/slithergrid/"

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="slither-site-")
        self.copy = os.path.join(self.root, self.FOLDER)
        os.makedirs(self.copy)
        with open(os.path.join(SITE, "service-worker.js")) as file:
            self.worker = file.read()
        for name in re.findall(r"'([^']+)'", re.search(r"var FILES = \[(.*)\];", self.worker).group(1)) + ["service-worker.js"]:
            shutil.copy(os.path.join(SITE, name), self.copy)
        super().__init__(self.root)

    def __enter__(self):
        super().__enter__()
        self.address += self.FOLDER
        return self

    def Stop(self):
        self.port, self.handler = self.server.server_address[1], self.server.RequestHandlerClass
        super().__exit__()

    def Serve(self, version, **appended):
        """A new build: these files with text appended, its worker naming a new version."""
        for name, text in appended.items():
            with open(os.path.join(self.copy, name), "a") as file:
                file.write(text)
        with open(os.path.join(self.copy, "service-worker.js"), "w") as file:
            file.write(re.sub(r"var VERSION = '\w+';", f"var VERSION = '{version}';", self.worker))
        self.server = QuietServer(("127.0.0.1", self.port), self.handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def __exit__(self, *error):
        if self.server.socket.fileno() >= 0:
            super().__exit__()
        shutil.rmtree(self.root)


def NewPage(site, script=None):
    page = Page(site, 1)
    page.browser, page.lastImage, page.lastFrame = Browser(1, script), None, None
    return page


def Playing(page, what):
    """The board drawn, its food, and the snake gone on from its first cell."""
    page.WaitForFrame(lambda frame: frame.Cells("F") and max((x for x, _ in frame.Cells("S")), default=0) >= 1, 30, what)


class OfflineTest(unittest.TestCase):
    def test_installable_and_within_its_policy(self):
        with Site() as site:
            page = NewPage(site, RECORD_VIOLATIONS)
            try:
                page.browser.get(site.address)
                Playing(page, "the game playing")
                page.Click("Game")
                page.Keys("Escape")
                self.assertEqual(page.browser.execute_cdp_cmd("Page.getInstallabilityErrors", {})["installabilityErrors"], [])
                self.assertEqual(page.browser.execute_cdp_cmd("Page.getAppManifest", {})["errors"], [])
                self.assertTrue(page.browser.execute_async_script(CACHES), "no cache after the first load")
                self.assertEqual(page.Script("return violations"), [])
                self.assertEqual(page.ConsoleErrors(), [])
            finally:
                page.browser.quit()
        with open(os.path.join(SITE, "slithergrid.webmanifest")) as file:
            icons = json.load(file)["icons"]
        self.assertEqual([icon["sizes"] for icon in icons], ["192x192", "512x512", "any"])
        for icon in icons:
            with open(os.path.join(SITE, icon["src"]), "rb") as file:
                head = file.read(24)
            if icon["type"] == "image/png":
                self.assertEqual((head[:8], "%dx%d" % struct.unpack(">II", head[16:24])), (b"\x89PNG\r\n\x1a\n", icon["sizes"]))

    def test_offline_then_a_new_build(self):
        with KeptSite() as site:
            page = NewPage(site)
            try:
                page.browser.get(site.address)
                Playing(page, "the game on its first load")
                [first] = page.browser.execute_async_script(CACHES)
                site.Stop()
                page.browser.refresh()
                Playing(page, "the game with the server stopped")

                # A build whose WebAssembly the host lacks cannot take over.
                wasm = os.path.join(site.copy, "slithergrid.wasm")
                os.rename(wasm, wasm + ".away")
                site.Serve("0000000000000002", **{"slithergrid.js": "\nvar siteBuild = 2;\n"})
                self.assertEqual(page.browser.execute_async_script(UPDATE), "redundant")
                page.browser.refresh()
                Playing(page, "the kept build after a failed update")
                self.assertEqual((page.Script("return window.siteBuild"), page.browser.execute_async_script(CACHES)), (None, [first]))

                # Whole, it takes over at the next load, and the earlier build's cache goes.
                os.rename(wasm + ".away", wasm)
                self.assertIn(page.browser.execute_async_script(UPDATE), ("activated", "unchanged"))
                self.assertEqual([name[-16:] for name in page.browser.execute_async_script(CACHES)], ["0000000000000002"])
                page.browser.refresh()
                Playing(page, "the new build")
                self.assertEqual(page.Script("return window.siteBuild"), 2)
            finally:
                page.browser.quit()

    def test_what_is_missing(self):
        with Site() as site:
            page = NewPage(site, "delete Navigator.prototype.serviceWorker;")
            try:
                page.browser.get(site.address)
                Playing(page, "the game without service workers")
                self.assertEqual(page.ConsoleErrors(), [])
            finally:
                page.browser.quit()
            ended = "return document.getElementById('ended').hidden ? null : document.getElementById('ended-text').textContent"
            missing = (("delete window.WebAssembly;", [], "needs WebAssembly"), (None, ["*.wasm"], "could not be loaded (slithergrid.wasm:"), (None, ["*slithergrid.js"], "could not be loaded (slithergrid.js:"), (None, ["*.css"], "could not be loaded (slithergrid.css:"))
            for script, blocked, says in missing:
                browser = Browser(1, script)
                try:
                    browser.execute_cdp_cmd("Network.enable", {})
                    browser.execute_cdp_cmd("Network.setBlockedURLs", {"urls": blocked})
                    browser.get(site.address)
                    self.assertIn(says, WaitUntil(lambda: browser.execute_script(ended), 30, f"the page saying what is missing ({says})"))
                    # Nothing else shows: no window, no arrow pad, nothing to scroll.
                    shown = "return ['window', 'pad'].filter(id => !document.getElementById(id).hidden).concat(scrollMaxY > 0 ? ['scroll'] : [])"
                    self.assertEqual(browser.execute_script(shown.replace("scrollMaxY", "(document.documentElement.scrollHeight - innerHeight)")), [], says)
                finally:
                    browser.quit()

        # A WebAssembly file cut short on the way is damaged, not blocked.
        with KeptSite() as damaged:
            wasm = os.path.join(damaged.copy, "slithergrid.wasm")
            os.truncate(wasm, os.path.getsize(wasm) // 2)
            browser = Browser(1)
            try:
                browser.get(damaged.address)
                self.assertIn("slithergrid.wasm is damaged", WaitUntil(lambda: browser.execute_script(ended), 30, "the page saying the file is damaged"))
            finally:
                browser.quit()


if __name__ == "__main__":
    unittest.main()
