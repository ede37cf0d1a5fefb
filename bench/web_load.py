#!/usr/bin/python3
"""How the web version loads: its weight, a cold load on a slow phone's link, and a second load
with no network at all. Headless Chromium (Debian's, through Selenium), the site of build/web.

    bench/web_load.py [--write] [ROUNDS]     default 5; --write puts the figures in bench/README.md

Size: every file the page loads (the site's service worker names them all; it and they, the
manifest and its icons included), gzipped at level 9 as a web server would send them; the
server here sends them so too (all but the PNGs, which are compressed already).
In each round, on a new copy of the site (a new port: a new origin, nothing kept from the round
before), each load in a new browser with a profile of its own:
  - "throttled": a cold load, Chromium's network emulating a slow mobile link (400 kbit/s each
    way, 400 ms latency, Network.emulateNetworkConditions) and its CPU slowed 4 times
    (Emulation.setCPUThrottlingRate);
  - "cold": a cold load without throttling; then, once the service worker holds the site, the
    worker is stopped (as after the browser was closed), the server is shut down and the page
    loaded again: "offline".
The first board: from the start of the navigation to the first animation frame after the page's
first putImageData on the client canvas, the whole board. Prints one JSON object a line: the
sizes, then one per round; then the medians.
"""

import functools
import gzip
import http.server
import json
import os
import re
import statistics
import sys
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "web"))
import web_driver  # noqa: E402
from readme_figures import WriteFigures  # noqa: E402

SLOW_LINK = {"offline": False, "latency": 400, "downloadThroughput": 400_000 / 8, "uploadThroughput": 400_000 / 8}
CPU_SLOWDOWN = 4

FIRST_BOARD = """
(() => {
    const put = CanvasRenderingContext2D.prototype.putImageData;
    window.benchFirstBoard = null;
    CanvasRenderingContext2D.prototype.putImageData = function () {
        put.apply(this, arguments);
        if (window.benchFirstBoard === null && this.canvas.id == 'client') {
            window.benchFirstBoard = -1;
            requestAnimationFrame(() => { window.benchFirstBoard = performance.now(); });
        }
    };
})();
"""


def SiteFiles(site):
    with open(os.path.join(site, "service-worker.js")) as file:
        names = re.search(r"var FILES = \[(.*)\];", file.read()).group(1)
    return [name.strip(" '") for name in names.split(",")] + ["service-worker.js"]


def Sizes(site):
    sizes = {}
    for name in SiteFiles(site):
        with open(os.path.join(site, name), "rb") as file:
            sizes[name] = len(gzip.compress(file.read(), 9, mtime=0))
    return {"gzip_bytes": sizes, "total_gzip_bytes": sum(sizes.values())}


class Gzipped(http.server.SimpleHTTPRequestHandler):
    """Files as a static host sends them: gzipped where the browser takes it, PNGs as they are."""

    def send_head(self):
        path = self.translate_path(self.path)
        if os.path.isdir(path):
            path = os.path.join(path, "index.html")
        if path.endswith(".png") or "gzip" not in self.headers.get("Accept-Encoding", "") or not os.path.isfile(path):
            return super().send_head()
        with open(path, "rb") as file:
            body = gzip.compress(file.read(), 9, mtime=0)
        self.send_response(200)
        self.send_header("Content-Type", self.guess_type(path))
        self.send_header("Content-Encoding", "gzip")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-cache")
        self.end_headers()
        self.body = body
        return self

    # send_head's result is copied to the client: here, the gzipped body.
    def read(self, *size):
        body, self.body = self.body, b""
        return body

    def close(self):
        pass

    def log_message(self, *args):
        pass


class QuietServer(http.server.ThreadingHTTPServer):
    def handle_error(self, request, address):
        pass  # a download the browser gave up when the bench moved on


class Server:
    def __enter__(self):
        handler = functools.partial(Gzipped, directory=web_driver.SITE)
        self.server = QuietServer(("127.0.0.1", 0), handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.address = f"http://127.0.0.1:{self.server.server_address[1]}/"
        return self

    def __exit__(self, *error):
        if self.server.socket.fileno() >= 0:
            self.server.shutdown()
            self.server.server_close()


def FirstBoard(browser, address):
    browser.get(address)
    return web_driver.WaitUntil(lambda: (browser.execute_script("return window.benchFirstBoard") or 0) > 0 and browser.execute_script("return window.benchFirstBoard"), 60, "the first board")


def Round():
    result = {}
    with Server() as server:
        browser = web_driver.Browser(1, FIRST_BOARD)
        try:
            browser.execute_cdp_cmd("Network.enable", {})
            browser.execute_cdp_cmd("Network.emulateNetworkConditions", SLOW_LINK)
            browser.execute_cdp_cmd("Emulation.setCPUThrottlingRate", {"rate": CPU_SLOWDOWN})
            result["throttled_ms"] = FirstBoard(browser, server.address)
        finally:
            browser.quit()
    with Server() as server:
        browser = web_driver.Browser(1, FIRST_BOARD)
        try:
            result["cold_ms"] = FirstBoard(browser, server.address)
            browser.execute_async_script("const done = arguments[0]; navigator.serviceWorker.ready.then(() => caches.keys()).then(done);")
            browser.get("about:blank")
            browser.execute_cdp_cmd("ServiceWorker.enable", {})
            browser.execute_cdp_cmd("ServiceWorker.stopAllWorkers", {})
            server.__exit__()
            result["offline_ms"] = FirstBoard(browser, server.address)
        finally:
            browser.quit()
    return result


def Figures(sizes, results, medians, load):
    ms = lambda key: "%.0f ms" % medians[key]
    return "\n".join([
        "Measured %s; load average (1 min) %s at the start and %s at the end of the run." % (time.strftime("%Y-%m-%d"), load[0], load[1]),
        "",
        "Everything the page loads, gzipped at level 9: %s; %.1f KB in all." % (", ".join("`%s` %d B" % item for item in sizes["gzip_bytes"].items()), sizes["total_gzip_bytes"] / 1000),
        "",
        "The first board in headless Chromium, the median of %d rounds (each load in a new browser):" % len(results),
        "",
        "| load | first board | ratio to a cold load (offline: the median of each round's ratio) |",
        "|---|---|---|",
        "| cold, slow mobile link (400 kbit/s, 400 ms) and CPU slowed 4 × | %s | %.2f |" % (ms("throttled_ms"), medians["throttled_ms"] / medians["cold_ms"]),
        "| cold | %s | 1 |" % ms("cold_ms"),
        "| second, offline (server shut down, service worker stopped) | %s | %.2f |" % (ms("offline_ms"), medians["offline_to_cold"]),
        "",
        "Each round in ms (slow link, cold, offline): %s." % "; ".join("%.0f, %.0f, %.0f" % (r["throttled_ms"], r["cold_ms"], r["offline_ms"]) for r in results),
    ])


def main():
    arguments = sys.argv[1:]
    write = "--write" in arguments
    arguments = [a for a in arguments if a != "--write"]
    rounds = int(arguments[0]) if arguments else 5
    load = [open("/proc/loadavg").read().split()[0]]
    sizes = Sizes(web_driver.SITE)
    print(json.dumps(sizes), flush=True)
    results = []
    for round in range(rounds):
        results.append(Round())
        print(json.dumps(dict(results[-1], round=round)), flush=True)
    load.append(open("/proc/loadavg").read().split()[0])
    medians = {key: statistics.median(r[key] for r in results) for key in results[0]}
    # The median of each round's ratio: the two loads of a round met the same machine.
    medians["offline_to_cold"] = statistics.median(r["offline_ms"] / r["cold_ms"] for r in results)
    print(json.dumps({"median": medians, "total_gzip_kb": sizes["total_gzip_bytes"] / 1000}), flush=True)
    if write:
        readme = os.path.join(ROOT, "bench", "README.md")
        WriteFigures(readme, "web load figures", Figures(sizes, results, medians, load))
        print("web_load: figures written to", readme)


if __name__ == "__main__":
    main()
