#!/usr/bin/env python3
"""What a tick of the running game costs, side by side with its floors, on one Xvfb display
with a window manager (openbox), as users run it.

    bench/running_game.py [SECONDS [ROUNDS]]     defaults 10 and 3

Programs: the native game, Slithergrid.exe under Wine, the minimal Xlib program
(reference_tick, the floor for a tick) and a bare GTK window (the floor for memory and
wakeups). The rounds interleave them, each launched anew: native and reference at the default
speed (250 ms) and at the fastest (10 ms, the game raised there through its menu), Wine at the
default speed, the bare window. In each launch a new game is started (through the menu; the
reference starts on Return) and tick_probe steers the snake round a loop, for one second
unmeasured and then for SECONDS, so that every tick moves it ("moving"); then it lets it run into a wall and counts
SECONDS of the lost game, whose ticks change nothing ("still"). For each part: CPU time per tick
(/proc/PID/task/*/schedstat, all threads), voluntary context switches a second (the wakeups),
the bytes drawn on the window per tick (tick_probe, through DAMAGE); after the still part, PSS
and private dirty memory (/proc/PID/smaps_rollup). Wine is counted twice: the .exe alone, and
all the processes of its own prefix (the .exe, wineserver and the services it started; the
prefix's wineserver is ended before each launch, so all of them belong to that run).

With SLITHER_BEFORE=PATH (another build of the native game) the rounds are of the native game,
that build ("before") and the reference alone, at the default speed, every other round in the
opposite order.

Prints one JSON object a line, one per launch.
"""

import json
import os
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import game_driver as driver  # noqa: E402

BENCH = os.path.join(ROOT, "build", "native", "bench")
PREFIX = os.path.join(ROOT, "build", "bench", "wineprefix")
DEFAULT_MS, FASTEST_MS = 250, 10
MENU_PRESSES_TO_FASTEST = 10  # 25 ms each from 250 ms; the timer's minimum is 10 ms


def Tasks(pid):
    try:
        return os.listdir(f"/proc/{pid}/task")
    except OSError:
        return []


def ProcessSample(pid):
    """CPU nanoseconds and voluntary context switches of all threads of a process."""
    cpu = switches = 0
    for task in Tasks(pid):
        try:
            with open(f"/proc/{pid}/task/{task}/schedstat") as file:
                cpu += int(file.read().split()[0])
            with open(f"/proc/{pid}/task/{task}/status") as file:
                for line in file:
                    if line.startswith("voluntary_ctxt_switches:"):
                        switches += int(line.split()[1])
        except OSError:
            pass  # a thread that just ended
    return cpu, switches


def Sample(pids):
    return {pid: ProcessSample(pid) for pid in pids}, time.monotonic()


def Used(before, after):
    """CPU nanoseconds and switches between two samples; a process that appeared in between
    counts from its start."""
    (first, start), (last, end) = before, after
    cpu = switches = 0
    for pid, (lastCpu, lastSwitches) in last.items():
        firstCpu, firstSwitches = first.get(pid, (0, 0))
        cpu += lastCpu - firstCpu
        switches += lastSwitches - firstSwitches
    return cpu, switches, end - start


def Memory(pids):
    """PSS and private dirty memory in KiB, summed over the processes."""
    pss = dirty = 0
    for pid in pids:
        try:
            with open(f"/proc/{pid}/smaps_rollup") as file:
                for line in file:
                    if line.startswith("Pss:"):
                        pss += int(line.split()[1])
                    elif line.startswith("Private_Dirty:"):
                        dirty += int(line.split()[1])
        except OSError:
            pass
    return pss, dirty


def PrefixPids():
    """Processes that run in the benchmark's own Wine prefix."""
    wanted = b"WINEPREFIX=" + PREFIX.encode()
    found = []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/environ", "rb") as file:
                    if wanted in file.read().split(b"\0"):
                        found.append(int(entry))
            except OSError:
                pass
    return found


def ExePid(pids):
    for pid in pids:
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as file:
                if b"Slithergrid.exe" in file.read():
                    return pid
        except OSError:
            pass
    return None


class Launch:
    """One program on the display, its window found and its board located."""

    def __init__(self, display, program, interval):
        self.display, self.program, self.interval = display, program, interval
        env = dict(display.env)
        if program == "wine":
            driver.WineEnvironment(env)
            subprocess.run(["wineserver", "-k"], env=env, stderr=subprocess.DEVNULL)
            subprocess.run(["wineserver", "-w"], env=env, stderr=subprocess.DEVNULL)
        commands = {
            "native": driver.ProgramCommand("native"),
            "before": [os.environ.get("SLITHER_BEFORE", "")],
            "wine": driver.ProgramCommand("wine"),
            "reference": [os.path.join(BENCH, "reference_tick"), str(interval)],
            "bare": [os.path.join(BENCH, "bare_window")],
        }
        self.title = {"reference": "Reference", "bare": "Bare window"}.get(program, "Slithergrid")
        self.process = subprocess.Popen(commands[program], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        self.window = driver.WaitUntil(self.FindWindow, 60, f"the window {self.title!r}", interval=0.02)
        self.origin = None
        if program != "bare":
            self.origin = driver.WaitUntil(self.FindBoard, 30, f"the board of {program}", interval=0.05)

    def FindWindow(self):
        found = self.display.Run("xdotool", "search", "--onlyvisible", "--name", f"^{self.title}$", check=False)
        ids = found.stdout.split()
        return int(ids[0]) if ids else None

    def FindBoard(self):
        try:
            return driver.FindBoard(self.display.Screenshot(self.window))
        except (RuntimeError, ValueError, subprocess.TimeoutExpired):
            return None

    def Pids(self):
        return PrefixPids() if self.program == "wine" else [self.process.pid]

    def ProgramPids(self):
        """The program itself: for Wine the .exe alone."""
        return [ExePid(PrefixPids())] if self.program == "wine" else [self.process.pid]

    def Keys(self, *keys):
        self.display.Run("xdotool", "key", "--delay", "30", *keys)

    def Close(self):
        driver.Stop(self.process)
        if self.program == "wine":
            env = driver.WineEnvironment(dict(self.display.env))
            subprocess.run(["wineserver", "-k"], env=env, stderr=subprocess.DEVNULL)


class Probe:
    def __init__(self, display, launch):
        x, y = launch.origin
        self.process = subprocess.Popen([os.path.join(BENCH, "tick_probe"), str(launch.window), str(x), str(y)], env=display.env, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)

    def Run(self, command, ms):
        self.process.stdin.write(f"{command} {ms:.0f}\n")
        self.process.stdin.flush()
        return dict(part.split("=", 1) for part in self.process.stdout.readline().split())

    def Close(self):
        self.process.stdin.close()
        self.process.wait(timeout=10)


def Part(launch, probe, command, seconds, sets):
    """Runs one probe command and returns what it cost each set of processes."""
    before = {name: Sample(pids()) for name, pids in sets.items()}
    counts = probe.Run(command, seconds * 1000)
    after = {name: Sample(pids()) for name, pids in sets.items()}
    figures = {}
    for name in sets:
        cpu, switches, elapsed = Used(before[name], after[name])
        ticks = elapsed * 1000 / launch.interval
        figures[name] = {"cpu_us_per_tick": cpu / 1000 / ticks, "wakeups_per_s": switches / elapsed}
    figures["bytes_per_tick"] = int(counts["damage_bytes"]) / (seconds * 1000 / launch.interval)
    figures["keys"], figures["head_lost"] = int(counts["keys"]), int(counts["head_lost"])
    # A snake that ran into a wall on a busy machine (a key came too late) was not moving.
    figures["kept_moving"] = float(counts["still_ms"]) < 10 * launch.interval + 100
    return figures


def MeasureGame(display, program, interval, seconds):
    launch = Launch(display, program, interval)
    try:
        launch.display.Run("xdotool", "windowactivate", "--sync", str(launch.window))
        probe = Probe(display, launch)
        if program == "reference":
            launch.Keys("Return")
        else:
            presses = MENU_PRESSES_TO_FASTEST if interval == FASTEST_MS else 0
            for _ in range(presses):
                launch.Keys("F10", "Down", *["Down"] * (driver.MENU_ITEM["faster"] - 1), "Return")
            launch.Keys("F10", "Down", "Return")  # New Game
        probe.Run("steer", 1000)  # the snake onto its loop, and the menu's redraw, left out
        sets = {"program": launch.ProgramPids}
        if program == "wine":
            sets["all"] = launch.Pids
        result = {"program": program, "interval_ms": interval}
        result["moving"] = Part(launch, probe, "steer", seconds, sets)
        probe.Run("crash", max(6 * interval, 500))
        result["still"] = Part(launch, probe, "count", seconds, sets)
        probe.Close()
        result["memory_kib"] = {name: Memory(pids()) for name, pids in sets.items()}
        return result
    finally:
        launch.Close()


def MeasureBare(display, seconds):
    launch = Launch(display, "bare", DEFAULT_MS)
    try:
        time.sleep(2)
        pids = launch.Pids
        before = Sample(pids())
        time.sleep(seconds)
        cpu, switches, elapsed = Used(before, Sample(pids()))
        return {"program": "bare", "interval_ms": DEFAULT_MS, "still": {"program": {"cpu_us_per_tick": cpu / 1000 / (elapsed * 1000 / DEFAULT_MS), "wakeups_per_s": switches / elapsed}}, "memory_kib": {"program": Memory(pids())}}
    finally:
        launch.Close()


def main():
    seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 10
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    if os.environ.get("SLITHER_BEFORE"):
        with driver.Display() as display:
            for round in range(rounds):
                runs = ["native", "before", "reference"]
                for program in runs if round % 2 == 0 else runs[::-1]:
                    result = MeasureGame(display, program, DEFAULT_MS, seconds)
                    result["round"] = round
                    print(json.dumps(result), flush=True)
        return
    os.makedirs(os.path.dirname(PREFIX), exist_ok=True)
    os.environ["SLITHER_WINEPREFIX"] = PREFIX
    driver.BootWine()
    with driver.Display() as display:
        for round in range(rounds):
            runs = [("native", DEFAULT_MS), ("reference", DEFAULT_MS), ("wine", DEFAULT_MS), ("native", FASTEST_MS), ("reference", FASTEST_MS)]
            for program, interval in runs:
                result = MeasureGame(display, program, interval, seconds)
                result["round"] = round
                print(json.dumps(result), flush=True)
            result = MeasureBare(display, seconds)
            result["round"] = round
            print(json.dumps(result), flush=True)


if __name__ == "__main__":
    main()
