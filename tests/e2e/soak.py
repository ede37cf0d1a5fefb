"""Soak run of one program at its fastest: random arrow keys, menu commands and
minimise/restore for a while, checking that the game keeps stepping and
painting, that its resident memory stays flat, and that Quit ends it with 0.

    soak.py PROGRAM... [--seconds N]   (PROGRAM: native, wine; N defaults
                                        to SOAK_SECONDS, else 45)

Several programs soak at the same time, each on a display of its own.
"""

import os
import random
import statistics
import subprocess
import sys
import time

from game_driver import Display, Game

WARM_UP = 10.0  # seconds before the memory figures count
ALLOWED_GROWTH_KIB = 6 * 1024
WINDOW = 5.0  # every stretch this long must show the board changing


def Soak(program, seconds, seed):
    rng = random.Random(seed)
    with Display() as display, Game(display, program) as game:
        game.Activate()
        for _ in range(12):  # 250 ms down to nothing, and twice more
            game.Menu("faster")
        interval = 0
        started = lastNewGame = time.monotonic()
        boards, memory = [], []  # (time, board pixels' hash), (time, KiB)
        counts = dict.fromkeys(["key", "new", "faster", "slower", "minimise"], 0)
        while time.monotonic() - started < seconds:
            if game.process.poll() is not None:
                raise AssertionError(f"{program} ended with {game.process.returncode} during the soak:\n{game.ErrorOutput()}")
            roll = rng.random()
            if time.monotonic() - lastNewGame > 1:
                roll = 0.65  # at this speed a game lasts a fraction of a second
            if roll < 0.6:
                game.Keys(rng.choice(["Up", "Down", "Left", "Right"]))
                counts["key"] += 1
            elif roll < 0.72:
                game.Menu("new")
                lastNewGame = time.monotonic()
                counts["new"] += 1
            elif roll < 0.92:
                # Keep the interval within 0 to 100 ms, so the game stays fast.
                command = "faster" if interval >= 100 or rng.random() < 0.5 else "slower"
                game.Menu(command)
                interval = max(0, interval + (-25 if command == "faster" else 25))
                counts[command] += 1
            else:
                display.Run("xdotool", "windowminimize", "--sync", str(game.window))
                time.sleep(rng.uniform(0.1, 0.5))
                game.Activate()
                counts["minimise"] += 1
            frame = game.Capture()
            now = time.monotonic() - started
            if frame is not None:
                boards.append((now, hash(frame.BoardBytes())))
            memory.append((now, game.Rss()))

        game.Activate()
        game.Menu("quit")
        code = game.WaitForExit()

    print(f"{program}: {seconds:.0f} s, seed {seed}, {len(boards)} frames, commands {counts}")
    if code != 0:
        raise AssertionError(f"{program} ended with {code} after Quit")

    # The game keeps stepping and painting: every stretch shows new boards.
    for start in range(0, int(seconds - WINDOW) + 1, int(WINDOW)):
        seen = {board for when, board in boards if start <= when < start + WINDOW}
        if len(seen) < 3:
            raise AssertionError(f"{program}: only {len(seen)} different boards between {start} s and {start + WINDOW:.0f} s")

    figures = [kib for when, kib in memory if when >= WARM_UP]
    third = len(figures) // 3
    if third < 3:
        raise AssertionError(f"{program}: too few memory samples ({len(figures)})")
    first, last = statistics.mean(figures[:third]), statistics.mean(figures[-third:])
    timeline = " ".join(f"{kib / 1024:.1f}" for when, kib in memory[:: max(1, len(memory) // 12)])
    print(f"{program}: VmRSS over the run (MiB): {timeline}")
    print(f"{program}: VmRSS first third {first / 1024:.1f} MiB, last third {last / 1024:.1f} MiB, peak {max(figures) / 1024:.1f} MiB")
    if last - first > ALLOWED_GROWTH_KIB:
        raise AssertionError(f"{program}: resident memory grew by {(last - first) / 1024:.1f} MiB")


def Main(arguments):
    seconds = float(os.environ.get("SOAK_SECONDS", 45))
    if "--seconds" in arguments:
        at = arguments.index("--seconds")
        seconds = float(arguments[at + 1])
        del arguments[at : at + 2]
    if len(arguments) > 1:
        runs = [subprocess.Popen([sys.executable, __file__, program, "--seconds", str(seconds)]) for program in arguments]
        return max(run.wait() for run in runs)
    seed = int(os.environ.get("SOAK_SEED", time.time_ns() % 1000000))
    try:
        Soak(arguments[0], seconds, seed)
    except AssertionError as error:
        print(f"FAIL: {error}", file=sys.stderr)
        return 1
    print(f"{arguments[0]}: soak passed")
    return 0


if __name__ == "__main__":
    sys.exit(Main(sys.argv[1:]))
