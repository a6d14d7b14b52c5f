#!/usr/bin/env python3
"""Side-by-side start-up times, run inside one X server (run.sh starts it).

For each round, alternating:
  quiro ready  - process start to "start page and all its frames completed"
                 (the viewer's --report-ready timestamp), on a fresh copy of
                 the sample documents, so every start runs the site build;
  quiro paint  - process start to text painted in its window (launchwait);
  yelp paint   - yelp opening one local HTML page of the same sample, process
                 start to text painted (launchwait);
  floor ready  - when FLOOR is given: a bare window with one engine view
                 loading the same, already built, frameset until all three
                 documents completed (process start to done), the engine's
                 own cost without menus, toolbar or site build;
  floor+sandbox ready - when FLOOR_SANDBOX is given: the same floor with the
                 engine's web process sandbox on, as the viewer runs.
Prints every round, then the medians and the ratio quiro/yelp.

Usage: compare.py QUIRO SAMPLE LAUNCHWAIT ROUNDS WORKDIR [FLOOR [FLOOR_SANDBOX]]
"""
import os
import re
import shutil
import statistics
import subprocess
import sys

here = os.path.dirname(os.path.abspath(__file__))


def fresh_copy(sample, work, n):
    site = os.path.join(work, "site-%d" % n)
    shutil.rmtree(site, ignore_errors=True)
    shutil.copytree(sample, site)
    return site


def launchwait(launch, cwd, cmd):
    out = subprocess.run([launch, "--paint", "2000", "--skip-top", "100", "--timeout", "30000", "--"] + cmd,
                         cwd=cwd, capture_output=True, text=True).stdout
    m = re.search(r"paint_ms=(-?[\d.]+)", out)
    return float(m.group(1)) if m else -1.0


def run_floor(floor, quiro, sample, work, n):
    """Process start to the frameset's three documents complete, or -1."""
    site = fresh_copy(sample, work, n)
    subprocess.run([quiro, "--build-only"], cwd=site, capture_output=True)
    out = subprocess.run([floor, "file://" + os.path.join(site, "docs", "DocFrame.htm"), "3"],
                         capture_output=True, text=True, timeout=60).stdout
    m = re.search(r"process-start->done ~([\d.]+)", out)
    return float(m.group(1)) if m else -1.0


def main():
    quiro, sample, launch, rounds, work = sys.argv[1:6]
    floor = sys.argv[6] if len(sys.argv) > 6 else None
    floor_sandbox = sys.argv[7] if len(sys.argv) > 7 else None
    rounds = int(rounds)
    ready, qpaint, ypaint, floors, sandboxed = [], [], [], [], []
    page = os.path.join(sample, "docs", "readme", "index.htm")
    for n in range(rounds):
        site = fresh_copy(sample, work, n)
        out = subprocess.run([sys.executable, os.path.join(here, "measure_ready.py"), site, quiro],
                             capture_output=True, text=True).stdout
        m = re.search(r"ready_ms=(-?[\d.]+)", out)
        r = float(m.group(1)) if m else -1.0
        site = fresh_copy(sample, work, n)
        qp = launchwait(launch, site, [quiro])
        yp = launchwait(launch, work, ["yelp", page])
        fl = run_floor(floor, quiro, sample, work, n) if floor else -1.0
        if fl > 0:
            floors.append(fl)
        fs = run_floor(floor_sandbox, quiro, sample, work, n) if floor_sandbox else -1.0
        if fs > 0:
            sandboxed.append(fs)
        print("round %d: quiro ready %.0f ms, quiro paint %.0f ms, yelp paint %.0f ms, floor ready %.0f ms,"
              " floor+sandbox ready %.0f ms" % (n + 1, r, qp, yp, fl, fs), flush=True)
        if r > 0:
            ready.append(r)
        if qp > 0:
            qpaint.append(qp)
        if yp > 0:
            ypaint.append(yp)
    if not (ready and qpaint and ypaint):
        print("some measurements failed")
        return 1
    mr, mq, my = statistics.median(ready), statistics.median(qpaint), statistics.median(ypaint)
    print("median: quiro ready %.0f ms (start page and all frames complete, site build included)" % mr)
    print("median: quiro paint %.0f ms, yelp paint %.0f ms (text painted, measured from outside)" % (mq, my))
    print("ratio quiro/yelp: paint %.2f, ready/yelp-paint %.2f" % (mq / my, mr / my))
    if floors:
        mf = statistics.median(floors)
        print("median: floor ready %.0f ms; quiro ready / floor ready %.2f" % (mf, mr / mf))
    if sandboxed:
        ms = statistics.median(sandboxed)
        print("median: floor+sandbox ready %.0f ms; quiro ready / floor+sandbox ready %.2f" % (ms, mr / ms))
    return 0


if __name__ == "__main__":
    sys.exit(main())
