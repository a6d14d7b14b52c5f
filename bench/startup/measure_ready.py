#!/usr/bin/env python3
"""Starts the viewer with --report-ready in FOLDER and prints the time from
process start to the moment its start page and all the page's frames have
completed (the viewer prints a CLOCK_MONOTONIC timestamp on stderr), then
ends the viewer.

Usage: measure_ready.py FOLDER QUIRO [TIMEOUT_S]
"""
import os
import re
import select
import signal
import subprocess
import sys
import time


def main():
    folder, quiro = sys.argv[1], sys.argv[2]
    timeout = float(sys.argv[3]) if len(sys.argv) > 3 else 30.0
    t0 = time.monotonic_ns()
    proc = subprocess.Popen([quiro, "--report-ready"], cwd=folder, stderr=subprocess.PIPE,
                            stdout=subprocess.DEVNULL, start_new_session=True)
    ready_ms = None
    buf = b""
    end = time.monotonic() + timeout
    while time.monotonic() < end and ready_ms is None:
        r, _, _ = select.select([proc.stderr], [], [], 0.2)
        if not r:
            if proc.poll() is not None:
                break
            continue
        chunk = os.read(proc.stderr.fileno(), 4096)
        if not chunk:
            break
        buf += chunk
        m = re.search(rb"quiro: ready monotonic_us=(\d+)", buf)
        if m:
            ready_ms = int(m.group(1)) / 1000.0 - t0 / 1e6
    try:
        os.killpg(proc.pid, signal.SIGTERM)
    except ProcessLookupError:
        pass
    try:
        proc.wait(timeout=5)
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.wait()
    print("ready_ms=%.1f" % ready_ms if ready_ms is not None else "ready_ms=-1")


if __name__ == "__main__":
    main()
