#!/usr/bin/env python3
"""Writes wayland_ticks.py's figures (OUT/wayland.jsonl) into README.md between its Wayland
figure markers.

    bench/wayland_figures.py OUT README
"""

import json
import os
import platform
import sys
import time

from readme_figures import WriteFigures

DISPLAYS = {"x11": "X11 (Xvfb, openbox)", "sway": "sway 1.7, headless", "kwin": "KWin 5.27, headless",
            "kwin_2": "KWin 5.27, headless, at 200 %", "kwin_1.5": "KWin 5.27, headless, at 150 %"}
PROGRAMS = {"reference": "floor", "reference_sized": "`wayland_reference` holding the game's extra resident memory",
            "native": "native `slithergrid`", "before": "the build before (`SLITHER_BEFORE`)"}
FLOORS = {display: "`reference_tick`" if display == "x11" else "`wayland_reference`" for display in DISPLAYS}
KWIN_SCALES = (("kwin", "100 %"), ("kwin_2", "200 %"), ("kwin_1.5", "150 %"))


def Median(values):
    values = sorted(values)
    n = len(values)
    if n == 0:
        return None
    return values[n // 2] if n % 2 else (values[n // 2 - 1] + values[n // 2]) / 2


def main():
    out, readme = sys.argv[1], sys.argv[2]
    runs = [json.loads(line) for line in open(os.path.join(out, "wayland.jsonl"))]
    timed = [r for r in runs if not r.get("damage") and "failed" not in r]
    damage = {(r["display"], r["program"]): r for r in runs if r.get("damage") and "failed" not in r}
    rounds = sorted({r["round"] for r in runs if not r.get("damage")})

    def Figure(display, program, part):
        """CPU per tick by round; a moving part whose snake was not moving throughout is left out."""
        return {r["round"]: r[part]["cpu_us_per_tick"] for r in timed if r["display"] == display and r["program"] == program and part in r and r[part].get("kept_moving", part == "still")}

    def Ratio(mine, floor):
        value = Median([mine[n] / floor[n] for n in mine if n in floor])
        return "" if value is None else "%.2f" % value

    load = lambda name: open(os.path.join(out, name)).read().strip()
    cpu = next(l.split(":", 1)[1].strip() for l in open("/proc/cpuinfo") if l.startswith("model name"))
    lines = ["Measured %s on %s (%d cores as `nproc` counts them, Linux %s); load average (1 min) %s at the start and %s at the end of the run." % (
        time.strftime("%Y-%m-%d"), cpu, os.cpu_count(), platform.release(), load("wayland_load_start.txt"), load("wayland_load_end.txt")), "",
        "Ticks at 250 ms on Wayland beside X11 (`bench/run_all --wayland`: median of %d interleaved rounds, each program launched anew for each; "
        "ratios: the median of each round's ratio; damage from one more launch with `WAYLAND_DEBUG=1` on Wayland, from DAMAGE on X11):" % len(rounds), "",
        "| display | program | resident memory | moving: CPU per tick | ratio to the display's floor | ratio to the floor holding as much memory | ratio to the game on X11 | lost game: CPU per tick | ratio to the floor | bytes damaged per tick, moving | lost game | commits per tick, moving |",
        "|---|---|---|---|---|---|---|---|---|---|---|---|"]
    x11Moving = Figure("x11", "native", "moving")
    for display in DISPLAYS:
        for program in ("reference", "reference_sized", "native", "before"):
            moving, still = Figure(display, program, "moving"), Figure(display, program, "still")
            if not moving and not still:
                continue
            floorMoving, floorStill = Figure(display, "reference", "moving"), Figure(display, "reference", "still")
            name = FLOORS[display] + " (the floor)" if program == "reference" else PROGRAMS[program]
            resident = Median([r["resident_kib"] for r in timed if r["display"] == display and r["program"] == program and "resident_kib" in r])
            cells = [DISPLAYS[display], name, "%.1f MiB" % (resident / 1024) if resident else "",
                     "%.0f µs" % Median(moving.values()) if moving else "",
                     "1" if program == "reference" else Ratio(moving, floorMoving),
                     Ratio(moving, Figure(display, "reference_sized", "moving")) if program in ("native", "before") and display != "x11" else "",
                     Ratio(moving, x11Moving) if program == "native" and display != "x11" else "",
                     "%.0f µs" % Median(still.values()) if still else "",
                     "1" if program == "reference" else Ratio(still, floorStill)]
            if display == "x11":
                bytes = lambda part: Median([r[part]["bytes_per_tick"] for r in timed if r["display"] == display and r["program"] == program])
                cells += ["%.0f" % bytes("moving"), "%.0f" % bytes("still"), ""]
            elif (display, program) in damage:
                r = damage[(display, program)]
                cells += ["%.0f" % r["moving"]["bytes_per_tick"], "%.0f" % r["still"]["bytes_per_tick"], "%.2f" % r["moving"]["commits_per_tick"]]
            else:
                cells += ["", "", ""]
            lines.append("| " + " | ".join(cells) + " |")
    lines += ["", "Moving again after a New Game from the menu (F10, Down, Return; Return for the floors) in the lost game, about 10 s after the launch, counted as above; on X11 and KWin (sway 1.7 gives GTK's menu no keys):", "",
              "| display | program | moving after New Game: CPU per tick | ratio to the display's floor | ratio to the game on X11 |", "|---|---|---|---|---|"]
    x11Again = Figure("x11", "native", "new_game")
    for display in ("x11", "kwin", "kwin_2", "kwin_1.5"):
        for program in ("reference", "native", "before"):
            again = Figure(display, program, "new_game")
            if not again:
                continue
            name = FLOORS[display] + " (the floor)" if program == "reference" else PROGRAMS[program]
            lines.append("| %s | %s | %.0f µs | %s | %s |" % (DISPLAYS[display], name, Median(again.values()),
                         "1" if program == "reference" else Ratio(again, Figure(display, "reference", "new_game")),
                         Ratio(again, x11Again) if program == "native" and display != "x11" else ""))
    lines += ["", "The game on KWin at 100 %, 200 % and 150 % (at 150 % it draws 1200 × 900 device pixels at the compositor's fractional scale, at 200 % 1600 × 1200), "
              "each round's ratio to the same build at 200 % and to the build before in the same round, the median of them:", "",
              "| KWin at | moving: CPU per tick | ratio to the game at 200 % | ratio to the build before | after New Game | ratio to the game at 200 % | ratio to the build before |", "|---|---|---|---|---|---|---|"]
    for display, name in KWIN_SCALES:
        cells = [name]
        for part in ("moving", "new_game"):
            mine = Figure(display, "native", part)
            cells += ["%.0f µs" % Median(mine.values()) if mine else "", Ratio(mine, Figure("kwin_2", "native", part)), Ratio(mine, Figure(display, "before", part))]
        lines.append("| " + " | ".join(cells) + " |")
    left = [r for r in timed if not r["moving"]["kept_moving"]]
    left += [dict(r, program=r["program"] + " after New Game") for r in timed if "new_game" in r and not r["new_game"].get("kept_moving")] + [r for r in runs if "failed" in r and not r.get("damage")]
    if left:
        lines += ["", "Left out: %s (a launch whose snake was not seen moving through its measured part, or whose game was over before it was measured, on the busy machine)." % ", ".join(
            "%s on %s in round %d" % (r["program"], r["display"], r["round"] + 1) for r in left)]

    WriteFigures(readme, "wayland figures", "\n".join(lines))
    print("wayland_figures: figures written to", readme)


if __name__ == "__main__":
    main()
