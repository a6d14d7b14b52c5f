#!/usr/bin/env python3
"""Runs a command and reports its wall time and the peak memory of its whole
process tree, sampled from /proc every 20 ms.

    measure.py LABEL -- CMD [ARG...]

Prints one line:
    LABEL wall=S.SSs peak_rss=N MiB peak_pss=N MiB max_web_processes=N status=N
peak_rss adds up the resident sets of all processes of the tree (shared pages
counted once per process); peak_pss shares them out (proportional set size),
which is the fairer figure for a tree of processes. max_web_processes is the
most WebKit web processes alive at one time.
"""
import os
import subprocess
import sys
import time


def children_map():
    kids = {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open(f"/proc/{name}/stat", "rb") as f:
                stat = f.read()
        except OSError:
            continue
        close = stat.rfind(b")")
        fields = stat[close + 2:].split()
        kids.setdefault(int(fields[1]), []).append(int(name))
    return kids


def tree(root):
    kids = children_map()
    todo, seen = [root], []
    while todo:
        pid = todo.pop()
        seen.append(pid)
        todo.extend(kids.get(pid, []))
    return seen


def memory_kib(pid):
    rss = pss = 0
    try:
        with open(f"/proc/{pid}/smaps_rollup") as f:
            for line in f:
                if line.startswith("Rss:"):
                    rss = int(line.split()[1])
                elif line.startswith("Pss:"):
                    pss = int(line.split()[1])
    except OSError:
        pass
    return rss, pss


def is_web_process(pid):
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            return b"WebKitWebProcess" in f.read()
    except OSError:
        return False


def main():
    if "--" not in sys.argv or sys.argv.index("--") != 2:
        sys.exit(__doc__)
    label, cmd = sys.argv[1], sys.argv[3:]
    start = time.monotonic()
    proc = subprocess.Popen(cmd)
    peak_rss = peak_pss = max_web = 0
    while proc.poll() is None:
        rss = pss = web = 0
        for pid in tree(proc.pid):
            r, p = memory_kib(pid)
            rss += r
            pss += p
            web += is_web_process(pid)
        peak_rss, peak_pss, max_web = max(peak_rss, rss), max(peak_pss, pss), max(max_web, web)
        time.sleep(0.02)
    wall = time.monotonic() - start
    print(f"{label} wall={wall:.2f}s peak_rss={peak_rss // 1024} MiB "
          f"peak_pss={peak_pss // 1024} MiB max_web_processes={max_web} status={proc.returncode}",
          flush=True)
    sys.exit(proc.returncode)


if __name__ == "__main__":
    main()
