#!/usr/bin/python3
"""The web version against Lighthouse's audits: its four scores (performance, accessibility,
best practices, SEO) as a phone and as a desktop sees the page, the site of build/web served on
127.0.0.1.

    bench/web_audit.py [--write] [ROUNDS]     default 3; --write puts the figures in bench/README.md

Lighthouse 12.2.3 from npm (./scripts/setup puts it in build/npm) on the machine's Node, with
Debian's Chromium (headless, no sandbox); its mobile run emulates a mid-range phone on a slow
4G link with the CPU slowed 4 times, its desktop run (--preset=desktop) a desktop on a fast
link. In each round the two run one after the other, which first alternating. Each score is the
median of the rounds; the performance score moves with the machine's load, so each round's is
given too.

Prints one JSON object a line, one per run, then the medians.
"""

import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "web"))
import web_driver  # noqa: E402
from readme_figures import WriteFigures  # noqa: E402

LIGHTHOUSE = os.path.join(ROOT, "build", "npm", "node_modules", "lighthouse", "cli", "index.js")
CATEGORIES = ["performance", "accessibility", "best-practices", "seo"]


def Audit(address, form):
    """Lighthouse's scores (0 to 100) for the page as `form` (mobile or desktop), and the audits
    that did not pass."""
    with tempfile.TemporaryDirectory(prefix="slither-lighthouse-") as folder:
        report = os.path.join(folder, "report.json")
        command = ["node", LIGHTHOUSE, address, "--quiet", "--output=json", f"--output-path={report}", "--chrome-flags=--headless=new --no-sandbox", f"--only-categories={','.join(CATEGORIES)}"]
        if form == "desktop":
            command.append("--preset=desktop")
        subprocess.run(command, env=dict(os.environ, CHROME_PATH="/usr/bin/chromium", TMPDIR=folder), check=True, timeout=300)
        with open(report) as file:
            result = json.load(file)
    scores = {name: round(result["categories"][name]["score"] * 100) for name in CATEGORIES}
    failed = sorted(
        audit["id"]
        for name in CATEGORIES
        for ref in result["categories"][name]["auditRefs"]
        if ref["weight"] > 0 and (audit := result["audits"][ref["id"]])["score"] is not None and audit["score"] < 1
    )
    return {"form": form, "scores": scores, "short_of_full": failed, "lighthouse": result["lighthouseVersion"]}


def Figures(results, medians, load):
    rows = []
    for form in ("mobile", "desktop"):
        mine = [r for r in results if r["form"] == form]
        rounds = ", ".join(str(r["scores"]["performance"]) for r in mine)
        rows.append("| %s | %s (%s) | %s | %s | %s |" % (form, medians[form]["performance"], rounds, *(medians[form][name] for name in CATEGORIES[1:])))
    short = sorted({audit for r in results for audit in r["short_of_full"]})
    return "\n".join([
        "Measured %s with Lighthouse %s; load average (1 min) %s at the start and %s at the end of the run." % (time.strftime("%Y-%m-%d"), results[0]["lighthouse"], load[0], load[1]),
        "",
        "Lighthouse's scores for the page, the median of %d rounds (performance: each round's in brackets):" % (len(results) // 2),
        "",
        "| as | performance | accessibility | best practices | SEO |",
        "|---|---|---|---|---|",
        *rows,
        "",
        "Audits short of full marks in any run: %s." % (", ".join("`%s`" % a for a in short) if short else "none"),
    ])


def main():
    arguments = sys.argv[1:]
    write = "--write" in arguments
    arguments = [a for a in arguments if a != "--write"]
    rounds = int(arguments[0]) if arguments else 3
    load = [open("/proc/loadavg").read().split()[0]]
    results = []
    with web_driver.Site() as site:
        for round in range(rounds):
            for form in ("mobile", "desktop") if round % 2 == 0 else ("desktop", "mobile"):
                results.append(dict(Audit(site.address, form), round=round))
                print(json.dumps(results[-1]), flush=True)
    load.append(open("/proc/loadavg").read().split()[0])
    medians = {form: {name: statistics.median(r["scores"][name] for r in results if r["form"] == form) for name in CATEGORIES} for form in ("mobile", "desktop")}
    print(json.dumps({"median": medians}), flush=True)
    if write:
        readme = os.path.join(ROOT, "bench", "README.md")
        WriteFigures(readme, "web audit figures", Figures(results, medians, load))
        print("web_audit: figures written to", readme)


if __name__ == "__main__":
    main()
