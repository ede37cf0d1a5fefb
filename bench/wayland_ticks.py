#!/usr/bin/env python3
"""What a tick of the native game costs on Wayland, next to its Wayland floor and to the same
build on X11, interleaved in one run.

    bench/wayland_ticks.py [ROUNDS [LOST_SECONDS [DISPLAYS]]]     defaults 5, 6 and all of them

DISPLAYS names some of the displays below, separated by commas (kwin,kwin_2,kwin_1.5).

Displays, all started at once: headless sway, headless KWin at scales 1, 2 and 1.5 ("kwin",
"kwin_2", "kwin_1.5": at 1.5 the game draws at the compositor's fractional scale, at 2 as
GTK does) and Xvfb with openbox. Programs: the native game and the display's floor
(wayland_reference on sway and KWin, at any scale an 800 x 600 buffer that KWin enlarges;
reference_tick on X11), each launched anew for each measurement; on sway and KWin at 1 also the
floor holding as much more resident memory as the game held over it in its last launch there
("reference_sized": on this machine a wake costs more the more memory a process has resident,
and a GTK program has about seven times the floor's); with SLITHER_BEFORE naming another build
of the game, that build too on every Wayland display ("before"). Each launch records its
resident memory (VmRSS) at the end of its moving part.

Nothing steers the snake: a launch is a new game, whose one-cell snake runs along row 0 from
the top-left cell, one cell a tick, and dies at the right wall on its 16th tick (the food lies
elsewhere). A screenshot after the window opens finds the head; the moving part is counted
from the tick that leaves column 2 (the cells under the score line left out) to just before
the wall, about 2.5 s or 10 ticks, and a screenshot after it says whether the snake was still
moving then; the lost game is counted for LOST_SECONDS from a second after the wall. Where the
menu takes keys (X11, KWin; not sway 1.7) a New Game from the menu (Return for the floors) then
gives a second run along row 0, counted the same way ("new_game"). CPU per tick from
/proc/PID/task/*/schedstat (all threads), as running_game.py counts it.

Damage: one more launch of each program on each Wayland display, with WAYLAND_DEBUG=1 (which
costs the program CPU, so it is not timed), counts the area of its damage_buffer and damage
requests in each part (4 bytes a pixel) and its commits; on X11 tick_probe counts what reaches
the window through DAMAGE in the timed launches.

Prints one JSON object a line, one per launch.
"""

import contextlib
import json
import os
import re
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import running_game  # noqa: E402
from running_game import driver  # noqa: E402

BENCH = running_game.BENCH
INTERVAL = 250
FIRST_COUNTED_COLUMN = 2  # the score line lies over columns 0 and 1 of row 0
NEW_GAME_BY_KEYS = ("x11", "kwin", "kwin_2", "kwin_1.5")  # sway 1.7 gives GTK's menu no keys
KWIN_SCALES = {"kwin": 1, "kwin_2": 2, "kwin_1.5": 1.5}
DAMAGE = re.compile(rb"wl_surface@\d+\.(damage|damage_buffer)\((-?\d+), (-?\d+), (\d+), (\d+)\)")


SIZED_DEFAULT_KIB = 32 * 1024  # until the game and the floor have both run on that display
lastResident = {}  # (display, program): VmRSS in KiB of its last launch


def Resident(pid):
    with open(f"/proc/{pid}/status") as file:
        return next(int(line.split()[1]) for line in file if line.startswith("VmRSS:"))


def Programs(kind):
    if kind == "x11":
        programs = {"native": (driver.ProgramCommand("native"), "Slithergrid"),
                    "reference": ([os.path.join(BENCH, "reference_tick"), str(INTERVAL)], "Reference")}
    else:
        programs = {"native": (driver.ProgramCommand("native"), "Slithergrid"),
                    "reference": ([os.path.join(BENCH, "wayland_reference"), str(INTERVAL)], "Reference")}
        if kind in ("sway", "kwin"):
            mine, floor = lastResident.get((kind, "native")), lastResident.get((kind, "reference"))
            more = mine - floor if mine is not None and floor is not None else SIZED_DEFAULT_KIB
            programs["reference_sized"] = ([os.path.join(BENCH, "wayland_reference"), str(INTERVAL), str(max(0, more))], "Reference")
        if os.environ.get("SLITHER_BEFORE"):
            programs["before"] = ([os.environ["SLITHER_BEFORE"]], "Slithergrid")
    return programs


class DarkAsBlack:
    """A screenshot whose dark pixels read as black: the floor's one-pixel outlines, enlarged by
    KWin at scales 2 and 1.5, come out grey at their edges."""

    def __init__(self, image):
        self.image, self.width, self.height = image, image.width, image.height

    def Pixel(self, x, y):
        pixel = self.image.Pixel(x, y)
        return driver.BLACK if driver.IsDark(pixel) else pixel


def Head(display, window, origin):
    """The head's column on row 0 (None if not there), whether "Game Over!" shows, and the
    moments before and after the screenshot."""
    before = time.monotonic()
    image = display.Screenshot(window)
    after = time.monotonic()
    frame = driver.Frame(image, origin, before, display.scale)
    columns = [x for x in range(driver.GRID_WIDTH) if frame.Kind(x, 0) == "S"]
    return (columns[0] if columns else None), frame.ShowsGameOver(), before, after


def SleepUntil(moment):
    time.sleep(max(0.0, moment - time.monotonic()))


def Segment(log, start, end):
    """Damaged bytes and commits in a part of a WAYLAND_DEBUG log."""
    with open(log, "rb") as file:
        file.seek(start)
        text = file.read(end - start)
    damaged = sum(4 * int(m[4]) * int(m[5]) for m in DAMAGE.finditer(text))
    return damaged, len(re.findall(rb"wl_surface@\d+\.commit\(\)", text))


def Measure(display, kind, program, lostSeconds, debug=False):
    command, title = Programs(kind)[program]
    env = dict(display.env)
    log = None
    if debug:
        env["WAYLAND_DEBUG"] = "1"
        log = tempfile.NamedTemporaryFile(prefix="wayland-debug-", delete=False)
    launched = time.monotonic()
    process = subprocess.Popen(display.Command(command), env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=log or subprocess.DEVNULL, start_new_session=True, preexec_fn=driver.DieWithTest)
    probe = None
    try:
        window = driver.WaitUntil(lambda: display.FindWindow(title), 60, f"the window {title!r} on {kind}", interval=0.01)

        def Board():
            try:
                return driver.FindBoard(DarkAsBlack(display.Screenshot(window)), display.scale)
            except (RuntimeError, ValueError, subprocess.TimeoutExpired):
                return None

        origin = driver.WaitUntil(Board, 30, f"the board of {program} on {kind}", interval=0.02)
        tick = INTERVAL / 1000
        result = {"display": kind, "program": program, "interval_ms": INTERVAL}
        pids = lambda: [process.pid]
        if kind == "x11":
            probe = running_game.Probe(display, type("Target", (), {"window": window, "origin": origin})())
        parts = {}

        def Part(name, seconds):
            if probe is not None:
                probe.Run("count", 1)  # what was drawn before this part, left out
            offset = os.path.getsize(log.name) if debug else 0
            before = running_game.Sample(pids())
            if probe is not None:
                counts = probe.Run("count", seconds * 1000)
            else:
                time.sleep(seconds)
            cpu, switches, elapsed = running_game.Used(before, running_game.Sample(pids()))
            ticks = elapsed / tick
            figures = {"cpu_us_per_tick": cpu / 1000 / ticks, "wakeups_per_s": switches / elapsed, "seconds": elapsed}
            if probe is not None:
                figures["bytes_per_tick"] = int(counts["damage_bytes"]) / ticks
            if debug:
                damaged, commits = Segment(log.name, offset, os.path.getsize(log.name))
                figures["bytes_per_tick"], figures["commits_per_tick"] = damaged / ticks, commits / ticks
            parts[name] = figures

        def Moving(name, again=False):
            """Counts a new game's run along row 0; returns when its game is over. Again: the
            new game that keys have just asked for, once the last one's "Game Over!" has gone."""
            def Snake():
                head = Head(display, window, origin)
                if again:
                    return head if head[0] is not None and not head[1] else None
                return head if head[0] is not None or head[1] else None  # the board shows before its cells

            column, over, shotStart, shotEnd = driver.WaitUntil(Snake, 5, f"the snake of {program} on {kind}")
            if column is None or over:
                raise AssertionError(f"{program} on {kind}: the game was over {time.monotonic() - launched:.1f} s after its launch, before it was measured")
            # The head stood at `column` at some moment of the screenshot: the tick into it
            # came within one interval before that moment, so the wall's tick comes no
            # earlier than shotStart + (15 - column) intervals.
            start = max(time.monotonic(), shotEnd + max(0, FIRST_COUNTED_COLUMN - column + 1) * tick)
            end = shotStart + (driver.GRID_WIDTH - 1 - column) * tick - 0.1
            SleepUntil(start)
            Part(name, max(0.0, end - time.monotonic()))
            if name == "moving":
                result["resident_kib"] = lastResident[(kind, program)] = Resident(process.pid)
            column, over, _, shotEnd = Head(display, window, origin)
            parts[name]["kept_moving"] = end - start >= 1.0 and column is not None and not over
            parts[name]["head_after"] = [column, over]
            # Past the wall's tick and the "Game Over!" it draws.
            SleepUntil(shotEnd + (driver.GRID_WIDTH - column if column is not None else 1) * tick + 1.0)

        Moving("moving")
        Part("still", lostSeconds)
        if kind in NEW_GAME_BY_KEYS and not debug:
            # Where the menu takes keys: a new game in a program that has run for a while.
            display.Activate(window)
            display.Keys(*(["F10", "Down", "Return"] if not program.startswith("reference") else ["Return"]))
            try:
                Moving("new_game", again=True)
            except AssertionError as error:
                parts["new_game"] = {"failed": f"no new game after the keys: {error}"}
        result.update(parts)
        return result
    finally:
        if probe is not None:
            probe.Close()
        driver.Stop(process)
        if log is not None:
            log.close()
            os.unlink(log.name)


def main():
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    lostSeconds = float(sys.argv[2]) if len(sys.argv) > 2 else 6
    kinds = {"x11": driver.Display, "sway": driver.WaylandDisplay}
    kinds.update({kind: (lambda scale=scale: driver.KWinDisplay(scale=scale)) for kind, scale in KWIN_SCALES.items()})
    chosen = sys.argv[3].split(",") if len(sys.argv) > 3 else list(kinds)
    with contextlib.ExitStack() as started:
        displays = [(kind, started.enter_context(kinds[kind]())) for kind in chosen]
        runs = [(kind, display, program) for kind, display in displays for program in Programs(kind)]
        for round in range(rounds):
            # Every other round in the opposite order, so no program always follows another.
            for kind, display, program in runs if round % 2 == 0 else runs[::-1]:
                try:
                    result = Measure(display, kind, program, lostSeconds)
                except AssertionError as error:
                    result = {"display": kind, "program": program, "failed": str(error)}
                result["round"] = round
                print(json.dumps(result), flush=True)
        for kind, display, program in runs:
            if kind != "x11" and program != "reference_sized":
                try:
                    result = Measure(display, kind, program, min(lostSeconds, 3), debug=True)
                except AssertionError as error:
                    result = {"display": kind, "program": program, "failed": str(error)}
                result["damage"] = True
                print(json.dumps(result), flush=True)


if __name__ == "__main__":
    main()
