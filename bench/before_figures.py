#!/usr/bin/python3
"""Tables of a build's ticks beside the build before it, from the JSON lines of
bench/running_game.py with SLITHER_BEFORE (native) and of bench/web_page.py with
SLITHER_BEFORE_SITE (web), as Markdown.

    bench/before_figures.py NATIVE.jsonl WEB.jsonl

Each figure is the median of the rounds; each ratio the median of each round's ratio, the two
builds of a round having met the same machine. A native launch whose snake stopped moving in
its moving part (a key came too late on the busy machine) is left out of the moving figures.
"""

import json
import statistics
import sys


def Rows(path):
    with open(path) as file:
        return [json.loads(line) for line in file if line.strip()]


def Median(values):
    values = list(values)
    return statistics.median(values) if values else float("nan")


def RatioByRound(rows, key, mine, other, value):
    by = {}
    for row in rows:
        by.setdefault(row["round"], {})[row[key]] = row
    ratios = []
    for found in by.values():
        if mine in found and other in found:
            a, b = value(found[mine]), value(found[other])
            if a is not None and b:
                ratios.append(a / b)
    return Median(ratios)


def Native(rows):
    moving = lambda row: row["moving"]["program"]["cpu_us_per_tick"] if row["moving"]["kept_moving"] else None
    still = lambda row: row["still"]["program"]["cpu_us_per_tick"]
    names = {"reference": "reference (plain Xlib + MIT-SHM, the floor)", "before": "the build before", "native": "this build"}
    lines = ["| program | moving: CPU per tick | ratio to the build before | lost game: CPU per tick | ratio to the build before | wakeups a second (lost game) | bytes drawn per tick, moving | PSS | private dirty |", "|---|---|---|---|---|---|---|---|---|"]
    for program in ("reference", "before", "native"):
        mine = [row for row in rows if row["program"] == program]
        if not mine:
            continue
        ratio = lambda part: "%.3f" % RatioByRound(rows, "program", program, "before", part) if program != "reference" else ""
        lines.append("| %s | %.0f µs | %s | %.0f µs | %s | %.1f | %.0f | %.1f MiB | %.1f MiB |" % (
            names[program],
            Median(v for v in map(moving, mine) if v is not None), ratio(moving),
            Median(map(still, mine)), ratio(still),
            Median(row["still"]["program"]["wakeups_per_s"] for row in mine),
            Median(row["moving"]["bytes_per_tick"] for row in mine),
            Median(row["memory_kib"]["program"][0] for row in mine) / 1024,
            Median(row["memory_kib"]["program"][1] for row in mine) / 1024))
    left = ["%s in round %d" % (row["program"], row["round"] + 1) for row in rows if not row["moving"]["kept_moving"]]
    rounds = len({row["round"] for row in rows})
    return "\n".join(lines + ["", "%d rounds%s." % (rounds, "; left out of the moving figures: " + ", ".join(left) if left else "")])


def Web(rows):
    pages = [row for row in rows if "page" in row]
    names = {"reference": "reference page (the floor)", "before": "the build before", "web": "this build"}
    lines = ["| page | first frame | moving: renderer CPU per tick | ratio to the build before | lost game: renderer CPU per tick | ratio to the build before | all of Chromium, moving | ratio | lost game | ratio |", "|---|---|---|---|---|---|---|---|---|---|"]
    for page in ("reference", "before", "web"):
        mine = [row for row in pages if row["page"] == page]
        if not mine:
            continue
        cells = [names[page], "%.0f ms" % Median(row["first_frame_ms"] for row in mine)]
        for who in ("renderer", "chromium"):
            for part in ("moving", "still"):
                value = lambda row: row[part][who]["cpu_us_per_tick"]
                cells.append("%.0f µs" % Median(map(value, mine)))
                cells.append("%.3f" % RatioByRound(pages, "page", page, "before", value) if page != "reference" else "")
        lines.append("| " + " | ".join(cells) + " |")
    return "\n".join(lines + ["", "%d rounds." % len({row["round"] for row in pages})])


if __name__ == "__main__":
    print(Native(Rows(sys.argv[1])))
    print()
    print(Web(Rows(sys.argv[2])))
