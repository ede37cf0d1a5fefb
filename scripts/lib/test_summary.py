"""The test command's bookkeeping: each step's result goes into a file of
lines, and the table at the end is read from it.

    test_summary.py record FILE STEP SECONDS STATUS [JUNIT | COUNTS]
    test_summary.py table FILE
    test_summary.py repeat JUNIT...

A step's counts come from ctest's JUnit file when it wrote one, from a
COUNTS file of three numbers (passed failed skipped) when the step keeps
its own, and otherwise from its exit status alone: one passed or one failed.
"""

import json
import os
import sys
import xml.etree.ElementTree as ElementTree


def Cases(junit):
    """(name, verdict) for each test in a ctest JUnit file, verdict one of
    passed, failed, skipped."""
    for case in ElementTree.parse(junit).getroot().iter("testcase"):
        status = case.get("status")
        if case.find("failure") is not None or status == "fail":
            yield case.get("name"), "failed"
        elif case.find("skipped") is not None or status in ("notrun", "disabled"):
            yield case.get("name"), "skipped"
        else:
            yield case.get("name"), "passed"


def Evidence(junit, name):
    """Where a failing ctest test left what it saw: the evidence folder that
    its build tree (which holds the JUnit file's folder) names after it."""
    build = os.path.dirname(os.path.dirname(os.path.abspath(junit)))
    folder = os.path.join(build, "evidence", name)
    return [os.path.relpath(folder)] if os.path.isdir(folder) else []


def Record(path, step, seconds, status, source=None):
    counts, failures = {"passed": 0, "failed": 0, "skipped": 0}, []
    if source and source.endswith(".xml") and os.path.exists(source):
        for name, verdict in Cases(source):
            counts[verdict] += 1
            if verdict == "failed":
                failures.append({"test": name, "evidence": Evidence(source, name)})
    elif source and os.path.exists(source):
        with open(source) as file:
            counts = dict(zip(("passed", "failed", "skipped"), map(int, file.read().split())))
    else:
        counts["passed" if status == "0" else "failed"] = 1
    if status != "0" and counts["failed"] == 0:
        counts["failed"] = 1  # the step itself failed, whatever it counted
    with open(path, "a") as file:
        file.write(json.dumps({"step": step, "seconds": round(float(seconds)), "status": int(status), **counts, "failures": failures}) + "\n")


def Table(path):
    with open(path) as file:
        steps = [json.loads(line) for line in file]
    width = max([len(step["step"]) for step in steps] + [len("total")])
    print(f"\n{'step':<{width}}  {'time':>7}  {'passed':>6}  {'failed':>6}  {'skipped':>7}")
    for step in steps:
        print(f"{step['step']:<{width}}  {step['seconds']:>5} s  {step['passed']:>6}  {step['failed']:>6}  {step['skipped']:>7}")
        for failure in step["failures"]:
            where = ", ".join(failure["evidence"]) or "no evidence folder"
            print(f"  failed: {failure['test']} (evidence: {where})")
        if step["status"] and not step["failures"]:
            print("  failed: the step itself (its output is above)")
    total = {key: sum(step[key] for step in steps) for key in ("seconds", "passed", "failed", "skipped")}
    print(f"{'total':<{width}}  {total['seconds']:>5} s  {total['passed']:>6}  {total['failed']:>6}  {total['skipped']:>7}")
    print(f"test: {total['passed']} passed, {total['failed']} failed, {total['skipped']} skipped")
    return 1 if any(step["status"] for step in steps) else 0


def Repeat(junits):
    """Each test's passes over the runs, the least reliable first."""
    runs, passes = len(junits), {}
    for junit in junits:
        for name, verdict in Cases(junit):
            passes.setdefault(name, 0)
            passes[name] += verdict != "failed"
    width = max([len(name) for name in passes] + [4])
    print(f"\n{'test':<{width}}  passed of {runs} runs")
    for name, count in sorted(passes.items(), key=lambda item: (item[1], item[0])):
        print(f"{name:<{width}}  {count}/{runs}")
    failed = sum(runs - count for count in passes.values())
    print(f"\nrepeat: {sum(passes.values())} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    command, arguments = sys.argv[1], sys.argv[2:]
    if command == "record":
        Record(*arguments)
    elif command == "table":
        sys.exit(Table(*arguments))
    elif command == "repeat":
        sys.exit(Repeat(arguments))
    else:
        sys.exit(f"test_summary.py: no command {command}")
