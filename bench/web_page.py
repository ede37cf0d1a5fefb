#!/usr/bin/python3
"""What the web version costs a browser, beside a floor: headless Chromium (Debian's, through
Selenium), the site of build/web served on 127.0.0.1.

    bench/web_page.py [SECONDS [ROUNDS]]     defaults 20 and 3

Size: every file the page loads, gzipped at level 9 as a web server would send it.
The floor is reference_page.html: plain JavaScript that draws the board once, then at each
250 ms tick the two changed cells, one putImageData each. In each round the game's page and the
reference page are loaded in two new browsers, one after the other (which one first alternates),
and run side by side: the first frame of each, from the start of its navigation to the first
animation frame after its board's first putImageData; then, after 15 s of warming up (V8 tiers
the program's hot functions up in its first seconds), CPU per tick while the snake goes
round the board's edge ("moving": a script added to the page turns it at the corners, seeing
the new head in what the page draws), and once the snake has run into a wall, while ticks change
nothing ("still"). Each part measures the two pages in turn, in windows of 2 s, for SECONDS each,
so that what else the machine does weighs on both alike, and takes the median window. CPU from
/proc/PID/task/*/schedstat: the renderer processes, and all of Chromium's.

With SLITHER_BEFORE_SITE=FOLDER (the site of another build) that site runs beside the two as
"before", the order of the three turning from round to round.

Prints one JSON object a line: the sizes, then one per page and round.
"""

import contextlib
import json
import os
import statistics
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "web"))
sys.path.insert(0, os.path.join(ROOT, "bench"))
import web_driver  # noqa: E402
from running_game import Sample, Used  # noqa: E402
from web_load import Sizes  # noqa: E402  every file the site's worker keeps

INTERVAL_MS = 250
WARM_UP_S = 15

# Run at the start of each page: times the first frame and, while benchSteer holds, turns the
# game's snake at the corners of the board.
PAGE_SCRIPT = """
(() => {
    const put = CanvasRenderingContext2D.prototype.putImageData, CELL = 50;
    const turns = {'15,0': 'ArrowDown', '15,11': 'ArrowLeft', '0,11': 'ArrowUp', '0,0': 'ArrowRight'};
    window.benchFirstFrame = null;
    window.benchSteer = true;
    CanvasRenderingContext2D.prototype.putImageData = function (image, left, top) {
        put.apply(this, arguments);
        if (window.benchFirstFrame === null) {
            window.benchFirstFrame = -1;
            requestAnimationFrame(time => { window.benchFirstFrame = time; });
        }
        if (this.canvas.id != 'client' || !window.benchSteer || image.width > 4 * CELL)
            return;
        for (let y = Math.floor(top / CELL); y * CELL < top + image.height; y++) {
            for (let x = Math.floor(left / CELL); x * CELL < left + image.width; x++) {
                const px = x * CELL + CELL / 2 - left, py = y * CELL + CELL / 2 - top;
                if (px < 0 || py < 0 || px >= image.width || py >= image.height)
                    continue;
                const d = image.data, i = 4 * (py * image.width + px);
                const key = turns[x + ',' + y];
                if (d[i] == 0 && d[i + 1] == 255 && d[i + 2] == 0 && key)
                    dispatchEvent(new KeyboardEvent('keydown', {key: key, code: key}));
            }
        }
    };
})();
"""


def ChromiumPids(root):
    """Chromium's processes under chromedriver `root`, and which of them are renderers."""
    parents, commands = {}, {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as file:
                    parents[int(entry)] = int(file.read().rsplit(")", 1)[1].split()[1])
                with open(f"/proc/{entry}/cmdline", "rb") as file:
                    commands[int(entry)] = file.read()
            except (OSError, IndexError):
                pass
    found = []
    for pid in parents:
        ancestor = parents[pid]
        while ancestor in parents and ancestor != root:
            ancestor = parents[ancestor]
        if ancestor == root:
            found.append(pid)
    renderers = [pid for pid in found if b"--type=renderer" in commands.get(pid, b"")]
    return found, renderers


def PidSets(browser):
    root = browser.service.process.pid
    return {"renderer": lambda: ChromiumPids(root)[1], "chromium": lambda: ChromiumPids(root)[0]}


def Parts(browsers, seconds, window=2.0):
    """CPU per tick of each browser's processes, measured in turn in windows of `window` seconds,
    `seconds` in all for each: the median of the windows, so that a burst of other work on the
    machine during one window does not count."""
    windows = {page: {name: [] for name in ("renderer", "chromium")} for page in browsers}
    for _ in range(max(1, round(seconds / window))):
        for page, browser in browsers.items():
            sets = PidSets(browser)
            before = {name: Sample(pids()) for name, pids in sets.items()}
            time.sleep(window)
            for name, pids in sets.items():
                cpu, switches, elapsed = Used(before[name], Sample(pids()))
                windows[page][name].append((cpu / 1000 / (elapsed * 1000 / INTERVAL_MS), switches / elapsed))
    return {page: {name: {"cpu_us_per_tick": statistics.median(cpu for cpu, _ in values), "wakeups_per_s": statistics.median(wakeups for _, wakeups in values)}
                   for name, values in figures.items()} for page, figures in windows.items()}


def Load(site, page):
    """A new browser on the page, and the page's first frame in ms from its navigation."""
    browser = web_driver.Browser(1, PAGE_SCRIPT)
    try:
        browser.get(site.address + page)
        first = web_driver.WaitUntil(lambda: (browser.execute_script("return window.benchFirstFrame") or 0) > 0 and browser.execute_script("return window.benchFirstFrame"), 20, "the first frame")
        return browser, first
    except BaseException:
        browser.quit()
        raise


def Round(pages, seconds, order):
    browsers, results = {}, {}
    try:
        for name in order:
            site, page = pages[name]
            browsers[name], first = Load(site, page)
            results[name] = {"first_frame_ms": first}
        # V8 compiles the program's hot functions again, optimised, in its first seconds; a
        # tick is measured after that.
        time.sleep(WARM_UP_S)
        for name, figures in Parts(browsers, seconds).items():
            results[name]["moving"] = figures
        for browser in browsers.values():
            browser.execute_script("window.benchSteer = false")
        time.sleep(16 * INTERVAL_MS / 1000 + 0.5)  # into a wall, at most 15 cells on
        for name, figures in Parts(browsers, seconds).items():
            results[name]["still"] = figures
        return results
    finally:
        for browser in browsers.values():
            browser.quit()


def main():
    seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 20
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    print(json.dumps(Sizes(web_driver.SITE)), flush=True)
    before = os.environ.get("SLITHER_BEFORE_SITE")
    with web_driver.Site() as game, web_driver.Site(os.path.join(ROOT, "bench")) as reference, contextlib.ExitStack() as others:
        pages = {"web": (game, ""), "reference": (reference, "reference_page.html")}
        if before:
            pages["before"] = (others.enter_context(web_driver.Site(before)), "")
        for round in range(rounds):
            names = list(pages)
            order = names[round % len(names) :] + names[: round % len(names)]
            for name, result in Round(pages, seconds, order).items():
                result.update(page=name, round=round)
                print(json.dumps(result), flush=True)


if __name__ == "__main__":
    main()
