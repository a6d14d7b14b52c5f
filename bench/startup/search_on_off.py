#!/usr/bin/env python3
"""Start-up times with the search indexer on and off, alternating rounds
(search_on_off.sh starts the X server). Each start gets a fresh copy of the
documents and an empty XDG_CACHE_HOME; "off" sets QUIRO_NO_SEARCH_INDEX.

  ready - process start to start page and all its frames complete
          (--report-ready);
  paint - process start to text painted in the window (launchwait).

Usage: search_on_off.py QUIRO SAMPLE LAUNCHWAIT ROUNDS PAGES WORKDIR
"""
import os
import random
import re
import shutil
import statistics
import subprocess
import sys

here = os.path.dirname(os.path.abspath(__file__))
WORDS = ("lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor incididunt ut "
         "labore et dolore magna aliqua enim ad minim veniam quis nostrud exercitation ullamco").split()


def make_template(sample, pages, work):
    base = os.path.join(work, "template")
    shutil.copytree(sample, base)
    bulk = os.path.join(base, "docs", "bulk")
    os.makedirs(bulk)
    rnd = random.Random(42)
    with open(os.path.join(bulk, "index.htm"), "w") as f:
        f.write("<html><head><title>Bulk Manual</title></head><body>Bulk</body></html>\n")
    for i in range(pages):
        body = []
        while sum(len(p) for p in body) < 20000:
            body.append("<p>" + " ".join(rnd.choice(WORDS) for _ in range(50)) + ".</p>")
        with open(os.path.join(bulk, "p%d.htm" % i), "w") as f:
            f.write("<html><head><title>Page %d</title></head><body>\n%s\n</body></html>\n" % (i, "\n".join(body)))
    return base


def run_once(quiro, launch, template, work, n, on):
    site = os.path.join(work, "site-%d-%s" % (n, on))
    shutil.rmtree(site, ignore_errors=True)
    shutil.copytree(template, site)
    env = dict(os.environ)
    env["XDG_CACHE_HOME"] = os.path.join(site, "cache")
    if not on:
        env["QUIRO_NO_SEARCH_INDEX"] = "1"
    out = subprocess.run([sys.executable, os.path.join(here, "measure_ready.py"), site, quiro],
                         capture_output=True, text=True, env=env).stdout
    m = re.search(r"ready_ms=(-?[\d.]+)", out)
    ready = float(m.group(1)) if m else -1.0
    shutil.rmtree(os.path.join(site, "cache"), ignore_errors=True)
    out = subprocess.run([launch, "--paint", "2000", "--skip-top", "100", "--timeout", "30000", "--", quiro],
                         cwd=site, capture_output=True, text=True, env=env).stdout
    m = re.search(r"paint_ms=(-?[\d.]+)", out)
    paint = float(m.group(1)) if m else -1.0
    shutil.rmtree(site, ignore_errors=True)
    return ready, paint


def main():
    quiro, sample, launch, rounds, pages, work = sys.argv[1:7]
    template = make_template(sample, int(pages), work)
    results = {True: ([], []), False: ([], [])}
    for n in range(int(rounds)):
        for on in ((True, False) if n % 2 == 0 else (False, True)):
            ready, paint = run_once(quiro, launch, template, work, n, on)
            print("round %d, indexing %s: ready %.0f ms, paint %.0f ms" % (n + 1, "on " if on else "off", ready, paint),
                  flush=True)
            if ready > 0:
                results[on][0].append(ready)
            if paint > 0:
                results[on][1].append(paint)
    if not all(results[on][k] for on in results for k in (0, 1)):
        print("some measurements failed")
        return 1
    med = {on: (statistics.median(results[on][0]), statistics.median(results[on][1])) for on in results}
    print("median ready: on %.0f ms, off %.0f ms, ratio %.3f" % (med[True][0], med[False][0], med[True][0] / med[False][0]))
    print("median paint: on %.0f ms, off %.0f ms, ratio %.3f" % (med[True][1], med[False][1], med[True][1] / med[False][1]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
